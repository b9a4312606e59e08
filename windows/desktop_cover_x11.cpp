// Whether anything of the desktop window can be seen, from two sources: the
// X server's visibility notices (exact without a compositing manager, always
// "unobscured" with one, since every window is then drawn off screen) and the
// window manager's client list, where a full-screen window over the desktop's
// monitor shows even under a compositor. Only events drive it, no timer polls.
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/window_stack_cover.hpp"
#include "windows/desktop_window_x11.hpp"

namespace glimora {

namespace {

enum Name : std::size_t {
    clientListStacking,
    clientList,
    activeWindow,
    currentDesktop,
    wmState,
    wmDesktop,
    wmWindowType,
    stateFullScreen,
    stateHidden,
    stateShaded,
    stateBelow,
    typeDesktop,
    typeDock,
    nameCount
};

constexpr std::array<const char*, nameCount> atomNames{
    "_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST",         "_NET_ACTIVE_WINDOW",      "_NET_CURRENT_DESKTOP",
    "_NET_WM_STATE",             "_NET_WM_DESKTOP",          "_NET_WM_WINDOW_TYPE",     "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_HIDDEN",      "_NET_WM_STATE_SHADED",     "_NET_WM_STATE_BELOW",     "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK"};

// The 32-bit items of a property (atoms, windows, cardinals); at most `limit`.
class PropertyRequest {
public:
    PropertyRequest(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                    std::uint32_t limit)
        : cookie_(xcb_get_property(connection, 0, window, property, type, 0, limit)) {}

    // Replies to a window gone meanwhile are errors, freed by xcb: nothing then.
    std::vector<std::uint32_t> items(xcb_connection_t* connection) const {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie_, nullptr);
        std::vector<std::uint32_t> values;
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }

private:
    xcb_get_property_cookie_t cookie_;
};

// The requests for one client's state, all sent before any reply is read.
struct ClientRequests {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    PropertyRequest state;
    PropertyRequest desktop;
    PropertyRequest type;
};

class CoverWatcher : public QObject, public QAbstractNativeEventFilter {
public:
    CoverWatcher(QWidget& window, xcb_connection_t* connection, xcb_window_t id, xcb_window_t root,
                 std::function<void(bool)> covered)
        : QObject(&window), connection_(connection), id_(id), root_(root), covered_(std::move(covered)) {
        std::array<xcb_intern_atom_cookie_t, nameCount> cookies{};
        for (std::size_t i = 0; i < nameCount; ++i)
            cookies[i] = xcb_intern_atom(connection_, 0, std::uint16_t(std::strlen(atomNames[i])), atomNames[i]);
        for (std::size_t i = 0; i < nameCount; ++i) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookies[i], nullptr);
            atoms_[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
            std::free(reply);
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
        addEvents(root_, XCB_EVENT_MASK_PROPERTY_CHANGE);
        addEvents(id_, XCB_EVENT_MASK_VISIBILITY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        refresh();
    }
    ~CoverWatcher() override {
        if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7f) {
        case XCB_VISIBILITY_NOTIFY: {
            const auto* notice = static_cast<const xcb_visibility_notify_event_t*>(message);
            if (notice->window != id_) break;
            obscured_ = notice->state == XCB_VISIBILITY_FULLY_OBSCURED;
            report();
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* notice = static_cast<const xcb_property_notify_event_t*>(message);
            const xcb_atom_t atom = notice->atom;
            if (notice->window == root_) {
                if (atom == atoms_[clientListStacking] || atom == atoms_[clientList] ||
                    atom == atoms_[activeWindow] || atom == atoms_[currentDesktop])
                    queueRefresh();
            } else if (isClient(notice->window) && (atom == atoms_[wmState] || atom == atoms_[wmDesktop])) {
                queueRefresh();
            }
            break;
        }
        case XCB_MAP_NOTIFY:
            if (affects(static_cast<const xcb_map_notify_event_t*>(message)->window)) queueRefresh();
            break;
        case XCB_UNMAP_NOTIFY:
            if (affects(static_cast<const xcb_unmap_notify_event_t*>(message)->window)) queueRefresh();
            break;
        case XCB_CONFIGURE_NOTIFY:
            if (affects(static_cast<const xcb_configure_notify_event_t*>(message)->window)) queueRefresh();
            break;
        case XCB_REPARENT_NOTIFY:
            if (affects(static_cast<const xcb_reparent_notify_event_t*>(message)->window)) queueRefresh();
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool isClient(xcb_window_t window) const { return std::binary_search(clients_.begin(), clients_.end(), window); }
    bool affects(xcb_window_t window) const { return window == id_ || isClient(window); }

    // Adds to the events this connection (Qt's too) already takes from the
    // window: replacing them would take Qt's own from its windows.
    void addEvents(xcb_window_t window, std::uint32_t events) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr);
        if (!attributes) return;
        const std::uint32_t mask = attributes->your_event_mask | events;
        std::free(attributes);
        // Checked, so that a window gone meanwhile is no error in Qt's queue.
        std::free(xcb_request_check(connection_, xcb_change_window_attributes_checked(connection_, window,
                                                                                      XCB_CW_EVENT_MASK, &mask)));
    }

    // Bursts of notices (a window being dragged, a restack) make one refresh.
    void queueRefresh() {
        if (refreshQueued_) return;
        refreshQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            refreshQueued_ = false;
            refresh();
        });
    }

    void refresh() {
        std::vector<std::uint32_t> listed =
            PropertyRequest(connection_, root_, atoms_[clientListStacking], XCB_ATOM_WINDOW, 4096).items(connection_);
        if (listed.empty())
            listed = PropertyRequest(connection_, root_, atoms_[clientList], XCB_ATOM_WINDOW, 4096).items(connection_);
        std::vector<xcb_window_t> clients(listed.begin(), listed.end());
        std::erase(clients, id_);
        std::sort(clients.begin(), clients.end());
        clients.erase(std::unique(clients.begin(), clients.end()), clients.end());

        // Events first, state second: a change in between is then never lost.
        for (const xcb_window_t client : clients)
            if (!watched_.contains(client)) addEvents(client, XCB_EVENT_MASK_PROPERTY_CHANGE |
                                                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        watched_ = std::set<xcb_window_t>(clients.begin(), clients.end());
        clients_ = clients;

        const PropertyRequest desktopRequest(connection_, root_, atoms_[currentDesktop], XCB_ATOM_CARDINAL, 1);
        const xcb_get_geometry_cookie_t ownGeometry = xcb_get_geometry(connection_, id_);
        const xcb_translate_coordinates_cookie_t ownOrigin = xcb_translate_coordinates(connection_, id_, root_, 0, 0);
        std::vector<ClientRequests> requests;
        requests.reserve(clients.size());
        for (const xcb_window_t client : clients)
            requests.push_back({xcb_get_window_attributes(connection_, client), xcb_get_geometry(connection_, client),
                                xcb_translate_coordinates(connection_, client, root_, 0, 0),
                                PropertyRequest(connection_, client, atoms_[wmState], XCB_ATOM_ATOM, 64),
                                PropertyRequest(connection_, client, atoms_[wmDesktop], XCB_ATOM_CARDINAL, 1),
                                PropertyRequest(connection_, client, atoms_[wmWindowType], XCB_ATOM_ATOM, 32)});

        const std::vector<std::uint32_t> desktopItems = desktopRequest.items(connection_);
        const std::optional<std::uint32_t> current =
            desktopItems.empty() ? std::nullopt : std::optional<std::uint32_t>(desktopItems.front());
        const std::optional<ScreenArea> monitor = areaOf(ownGeometry, ownOrigin);
        std::vector<ClientWindowState> states;
        states.reserve(requests.size());
        for (const ClientRequests& request : requests) states.push_back(stateOf(request));
        stackCovered_ = monitor && anyCoversMonitor(states, current, *monitor);
        report();
    }

    // The window's own area on the root window; nothing when it is gone.
    std::optional<ScreenArea> areaOf(xcb_get_geometry_cookie_t geometryCookie,
                                     xcb_translate_coordinates_cookie_t originCookie) const {
        xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection_, geometryCookie, nullptr);
        xcb_translate_coordinates_reply_t* origin =
            xcb_translate_coordinates_reply(connection_, originCookie, nullptr);
        std::optional<ScreenArea> area;
        if (geometry && origin) area = ScreenArea{origin->dst_x, origin->dst_y, geometry->width, geometry->height};
        std::free(geometry);
        std::free(origin);
        return area;
    }

    ClientWindowState stateOf(const ClientRequests& request) const {
        ClientWindowState state;
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(connection_, request.attributes, nullptr);
        state.viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        const std::optional<ScreenArea> area = areaOf(request.geometry, request.origin);
        if (!area) state.viewable = false;
        state.area = area.value_or(ScreenArea{});
        for (const std::uint32_t atom : request.state.items(connection_)) {
            state.fullScreen |= atom == atoms_[stateFullScreen];
            state.hidden |= atom == atoms_[stateHidden];
            state.shaded |= atom == atoms_[stateShaded];
            if (atom == atoms_[stateBelow]) state.normalLayer = false;
        }
        const std::vector<std::uint32_t> desktop = request.desktop.items(connection_);
        if (!desktop.empty()) state.desktop = desktop.front();
        // The first type the window names is the one the window manager uses.
        const std::vector<std::uint32_t> types = request.type.items(connection_);
        if (!types.empty() && (types.front() == atoms_[typeDesktop] || types.front() == atoms_[typeDock]))
            state.normalLayer = false;
        return state;
    }

    void report() {
        const bool covered = obscured_ || stackCovered_;
        if (covered == reported_) return;
        reported_ = covered;
        covered_(covered);
    }

    xcb_connection_t* connection_;
    xcb_window_t id_;
    xcb_window_t root_;
    std::function<void(bool)> covered_;
    std::array<xcb_atom_t, nameCount> atoms_{};
    std::vector<xcb_window_t> clients_;  // sorted
    std::set<xcb_window_t> watched_;
    bool obscured_ = false;
    bool stackCovered_ = false;
    bool reported_ = false;
    bool refreshQueued_ = false;
};

}  // namespace

QObject* watchDesktopWindowCover(QWidget& window, std::function<void(bool covered)> covered) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, id), nullptr);
    if (!tree) return nullptr;
    const xcb_window_t root = tree->root;
    std::free(tree);
    return new CoverWatcher(window, connection, id, root, std::move(covered));
}

}  // namespace glimora
