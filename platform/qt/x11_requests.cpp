#include "platform/qt/x11_requests.hpp"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>

namespace glimora {

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

bool addEvents(xcb_connection_t* connection, xcb_window_t window, std::uint32_t events) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (!attributes) return false;
    const std::uint32_t mask = attributes->your_event_mask | events;
    std::free(attributes);
    xcb_generic_error_t* error =
        xcb_request_check(connection, xcb_change_window_attributes_checked(connection, window, XCB_CW_EVENT_MASK, &mask));
    const bool added = !error;
    std::free(error);
    return added;
}

std::vector<std::uint32_t> propertyItems(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                         xcb_atom_t type, std::uint32_t limit) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, limit), nullptr);
    std::vector<std::uint32_t> items;
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        items.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return items;
}

}  // namespace glimora
