#include "platform/qt/x11_stack_keeper.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/qt/x11_requests.hpp"

namespace glimora {

namespace {

std::vector<std::uint32_t> childrenOf(xcb_query_tree_reply_t* tree) {
    if (!tree) return {};
    const xcb_window_t* first = xcb_query_tree_children(tree);
    return {first, first + xcb_query_tree_children_length(tree)};
}

}  // namespace

X11StackKeeper::X11StackKeeper(QWidget& window, Place place) : QObject(&window), place_(place) {
    xcb_connection_t* connection = x11Connection();
    if (!connection) return;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    root_ = rootWindow(connection);
    idBase_ = setup->resource_id_base;
    idMask_ = setup->resource_id_mask;
    fence_ = internAtom(connection, "_GLIMORA_STACK_FENCE");
    const xcb_atom_t wmState = internAtom(connection, "WM_STATE");

    // The root's notices first (added to those this connection, Qt's too,
    // already takes), then its children: no change in between is lost.
    if (!addEvents(connection, root_, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY)) return;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, root_), nullptr);
    order_ = childrenOf(tree);
    std::free(tree);

    // Every request sent before any reply is read: three round trips in all.
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_query_tree_cookie_t> frameCookies;
    for (const std::uint32_t child : order_) {
        attributeCookies.push_back(xcb_get_window_attributes(connection, child));
        frameCookies.push_back(xcb_query_tree(connection, child));
    }
    struct ClientRequest {
        std::uint32_t frame;
        xcb_window_t window;
        xcb_get_property_cookie_t state;
    };
    std::vector<ClientRequest> clientRequests;
    for (std::size_t i = 0; i < order_.size(); ++i) {
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(connection, attributeCookies[i], nullptr);
        // One gone meanwhile counts as unmapped until its end is told.
        Sibling& sibling = siblings_[order_[i]];
        sibling.mapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
        sibling.overrideRedirect = attributes && attributes->override_redirect;
        sibling.client = sibling.overrideRedirect ? 0 : order_[i];
        std::free(attributes);
        xcb_query_tree_reply_t* frame = xcb_query_tree_reply(connection, frameCookies[i], nullptr);
        if (sibling.overrideRedirect && wmState != XCB_ATOM_NONE)
            for (const std::uint32_t held : childrenOf(frame))
                clientRequests.push_back(
                    {order_[i], held, xcb_get_property(connection, 0, held, wmState, XCB_ATOM_ANY, 0, 0)});
        std::free(frame);
    }
    for (const ClientRequest& request : clientRequests) {
        xcb_get_property_reply_t* property = xcb_get_property_reply(connection, request.state, nullptr);
        if (property && property->type != XCB_NONE) {
            siblings_[request.frame].holdsClient = true;
            siblings_[request.frame].client = request.window;
        }
        std::free(property);
    }
    id_ = static_cast<xcb_window_t>(window.winId());
    QCoreApplication::instance()->installNativeEventFilter(this);
    keep();
}

X11StackKeeper::~X11StackKeeper() {
    if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
    // A reply never read would stay in xcb's queue for good.
    if (xcb_connection_t* connection = x11Connection(); connection && orderRequest_)
        xcb_discard_reply(connection, *orderRequest_);
}

bool X11StackKeeper::isOurs(const Sibling& sibling) const {
    return sibling.client && (sibling.client & ~idMask_) == idBase_;
}

const X11StackKeeper::Sibling* X11StackKeeper::sibling(std::uint32_t window) const {
    const auto it = siblings_.find(window);
    return it == siblings_.end() ? nullptr : &it->second;
}

bool X11StackKeeper::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !id_) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // Notices another client sends (a window withdrawn) tell nothing of the stack.
    if (event->response_type & 0x80) return false;
    switch (event->response_type) {
    case XCB_CREATE_NOTIFY: {
        const auto* notice = static_cast<const xcb_create_notify_event_t*>(message);
        if (notice->parent != root_) return false;
        // A new window goes on top.
        siblings_[notice->window] = {false, bool(notice->override_redirect),
                                     notice->override_redirect ? 0u : notice->window};
        std::erase(order_, notice->window);  // told again after the first reading
        order_.push_back(notice->window);
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* notice = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (notice->event != root_) return false;
        siblings_.erase(notice->window);
        std::erase(order_, notice->window);
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* notice = static_cast<const xcb_reparent_notify_event_t*>(message);
        if (notice->event != root_) return false;
        std::erase(order_, notice->window);
        if (notice->parent == root_) {
            // One taken in goes on top, unmapped until its map is told.
            siblings_[notice->window] = {false, bool(notice->override_redirect),
                                         notice->override_redirect ? 0u : notice->window};
            order_.push_back(notice->window);
            break;
        }
        // One taken from the root into another of its children makes that a frame.
        siblings_.erase(notice->window);
        if (const auto frame = siblings_.find(notice->parent); frame != siblings_.end())
            frame->second.holdsClient = true, frame->second.client = notice->window;
        break;
    }
    case XCB_MAP_NOTIFY: {
        const auto* notice = static_cast<const xcb_map_notify_event_t*>(message);
        if (notice->event != root_) return false;
        if (const auto it = siblings_.find(notice->window); it != siblings_.end())
            it->second.mapped = true, it->second.overrideRedirect = notice->override_redirect;
        break;
    }
    case XCB_UNMAP_NOTIFY: {
        const auto* notice = static_cast<const xcb_unmap_notify_event_t*>(message);
        if (notice->event != root_) return false;
        if (const auto it = siblings_.find(notice->window); it != siblings_.end()) it->second.mapped = false;
        break;
    }
    case XCB_CONFIGURE_NOTIFY:
        if (static_cast<const xcb_configure_notify_event_t*>(message)->event != root_) return false;
        readOrder();
        return false;
    case XCB_CIRCULATE_NOTIFY:
        if (static_cast<const xcb_circulate_notify_event_t*>(message)->event != root_) return false;
        readOrder();
        return false;
    case XCB_PROPERTY_NOTIFY: {
        const auto* notice = static_cast<const xcb_property_notify_event_t*>(message);
        if (notice->window != id_ || notice->atom != fence_ || !orderRequest_) return false;
        xcb_connection_t* connection = x11Connection();
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection, xcb_query_tree_cookie_t{*std::exchange(orderRequest_, std::nullopt)},
                                 nullptr);
        order_ = childrenOf(tree);
        std::free(tree);
        if (std::exchange(readAgain_, false)) readOrder();
        break;
    }
    default:
        return false;
    }
    queueKeep();
    return false;
}

// Asks the server for the order; the marker's notice says the reply is in.
void X11StackKeeper::readOrder() {
    if (orderRequest_) {
        readAgain_ = true;
        return;
    }
    xcb_connection_t* connection = x11Connection();
    orderRequest_ = xcb_query_tree(connection, root_).sequence;
    const std::uint32_t value = 1;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id_, fence_, XCB_ATOM_CARDINAL, 32, 1, &value);
    xcb_flush(connection);
}

// A burst of notices (a workspace shown, windows restacked) makes one decision.
void X11StackKeeper::queueKeep() {
    if (keepQueued_) return;
    keepQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        keepQueued_ = false;
        keep();
    });
}

void X11StackKeeper::keep() {
    // An order being read is waited for: decided on an old one, a restack
    // could go the wrong way.
    xcb_connection_t* connection = x11Connection();
    const auto own = std::find(order_.begin(), order_.end(), id_);
    if (!connection || orderRequest_ || own == order_.end()) return;
    const auto is = [this](auto test) {
        return [this, test](std::uint32_t window) {
            const Sibling* s = sibling(window);
            return s && test(*s);
        };
    };
    const auto managed = is([](const Sibling& s) { return s.managed(); });
    const auto foreign = is([this](const Sibling& s) { return s.managed() && !isOurs(s); });
    const auto ours = is([this](const Sibling& s) { return s.managed() && isOurs(s); });
    if (place_ == Place::bottom) {
        if (std::none_of(order_.begin(), own, managed)) return;
        const std::uint32_t values[] = {XCB_STACK_MODE_BELOW};
        xcb_configure_window(connection, id_, XCB_CONFIG_WINDOW_STACK_MODE, values);
        xcb_flush(connection);
        return;
    }
    // Just above the highest managed window of another program, below our
    // own managed ones above that; whatever no window manager manages stays
    // where it is.
    auto highest = order_.end();
    for (auto it = order_.begin(); it != order_.end(); ++it)
        if (it != own && foreign(*it)) highest = it;
    std::uint32_t values[2];
    if (highest != order_.end()) {
        if (highest < own && std::none_of(highest + 1, own, ours)) return;
        values[0] = *highest;
        values[1] = XCB_STACK_MODE_ABOVE;
    } else {
        const auto lowest = std::find_if(order_.begin(), own, ours);
        if (lowest == own) return;
        values[0] = *lowest;
        values[1] = XCB_STACK_MODE_BELOW;
    }
    // Checked and discarded: the sibling may be gone by now, and that is no
    // error for Qt's queue.
    xcb_discard_reply(connection,
                      xcb_configure_window_checked(connection, id_,
                                                   XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values)
                          .sequence);
    xcb_flush(connection);
}

}  // namespace glimora
