// Whether anything of the desktop window can be seen, from two sources: the
// X server's visibility notices (exact without a compositing manager, always
// "unobscured" with one, since every window is then drawn off screen) and the
// window manager's client list, where a full-screen window over the desktop's
// monitor shows even under a compositor. Only events drive it, no timer polls.
// Nothing here waits on the X server: a refresh sends its requests, then a
// marker (a property written on the window) whose change notice comes back
// after their replies, and reads them when the notice arrives. Waiting at once
// would hold the main thread for as long as the server is busy, which right
// after the desktop's first frame (a whole screen of pixels) is long.
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
    fence,
    nameCount
};

constexpr std::array<const char*, nameCount> atomNames{
    "_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST",         "_NET_ACTIVE_WINDOW",      "_NET_CURRENT_DESKTOP",
    "_NET_WM_STATE",             "_NET_WM_DESKTOP",          "_NET_WM_WINDOW_TYPE",     "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_HIDDEN",      "_NET_WM_STATE_SHADED",     "_NET_WM_STATE_BELOW",     "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_WM_WINDOW_TYPE_DOCK",  "_GLIMORA_COVER_FENCE"};

// The 32-bit items of a property (atoms, windows, cardinals); at most `limit`.
class PropertyRequest {
public:
    PropertyRequest(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                    std::uint32_t limit)
        : cookie_(xcb_get_property(connection, 0, window, property, type, 0, limit)) {}

    unsigned int sequence() const { return cookie_.sequence; }

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

// What a refresh asked of the server and has not read yet.
struct ClientListRequests {
    PropertyRequest stacking;
    PropertyRequest plain;
};
struct SubscriptionRequest {
    xcb_window_t window;
    xcb_get_window_attributes_cookie_t attributes;
};
struct StateRequests {
    PropertyRequest desktop;
    xcb_get_geometry_cookie_t ownGeometry;
    xcb_translate_coordinates_cookie_t ownOrigin;
    std::vector<ClientRequests> clients;
};

class CoverWatcher : public QObject, public QAbstractNativeEventFilter {
public:
    // Where a refresh is: waiting for the replies that the next marker follows.
    enum class Phase { idle, clientList, subscriptions, clientStates };

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
        addEvents(id_, XCB_EVENT_MASK_VISIBILITY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                           XCB_EVENT_MASK_PROPERTY_CHANGE);
        refresh();
    }
    ~CoverWatcher() override {
        if (auto* application = QCoreApplication::instance()) application->removeNativeEventFilter(this);
        // Replies never read would stay in xcb's queue for good.
        const auto discard = [this](unsigned int sequence) { xcb_discard_reply(connection_, sequence); };
        if (listRequests_) discard(listRequests_->stacking.sequence()), discard(listRequests_->plain.sequence());
        for (const SubscriptionRequest& request : subscriptionRequests_) discard(request.attributes.sequence);
        if (stateRequests_) {
            discard(stateRequests_->desktop.sequence());
            discard(stateRequests_->ownGeometry.sequence);
            discard(stateRequests_->ownOrigin.sequence);
            for (const ClientRequests& client : stateRequests_->clients) {
                discard(client.attributes.sequence);
                discard(client.geometry.sequence);
                discard(client.origin.sequence);
                discard(client.state.sequence());
                discard(client.desktop.sequence());
                discard(client.type.sequence());
            }
        }
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
            if (notice->window == id_ && atom == atoms_[fence]) {
                fenceReached();
            } else if (notice->window == root_) {
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
    // window: replacing them would take Qt's own from its windows. Waits for
    // the server: only for the two windows watched from the start.
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

    // A refresh asked for while one is under way follows it.
    void refresh() {
        if (phase_ != Phase::idle) {
            refreshAgain_ = true;
            return;
        }
        listRequests_.emplace(ClientListRequests{
            PropertyRequest(connection_, root_, atoms_[clientListStacking], XCB_ATOM_WINDOW, 4096),
            PropertyRequest(connection_, root_, atoms_[clientList], XCB_ATOM_WINDOW, 4096)});
        sendFence(Phase::clientList);
    }

    // The server has answered everything sent before the marker.
    void fenceReached() {
        switch (std::exchange(phase_, Phase::idle)) {
        case Phase::idle: break;
        case Phase::clientList: subscribeToClients(); break;
        case Phase::subscriptions: askClientStates(); break;
        case Phase::clientStates:
            readClientStates();
            if (std::exchange(refreshAgain_, false)) refresh();
            break;
        }
    }

    // A marker property on the window, whose change notice follows the
    // replies to every request sent before it.
    void sendFence(Phase next) {
        phase_ = next;
        const std::uint32_t value = ++fences_;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, id_, atoms_[fence], XCB_ATOM_CARDINAL, 32, 1, &value);
        xcb_flush(connection_);
    }

    void subscribeToClients() {
        const ClientListRequests lists = *std::exchange(listRequests_, std::nullopt);
        std::vector<std::uint32_t> listed = lists.stacking.items(connection_);
        const std::vector<std::uint32_t> plain = lists.plain.items(connection_);
        if (listed.empty()) listed = plain;
        std::vector<xcb_window_t> clients(listed.begin(), listed.end());
        std::erase(clients, id_);
        std::sort(clients.begin(), clients.end());
        clients.erase(std::unique(clients.begin(), clients.end()), clients.end());
        clients_ = clients;
        std::erase_if(watched_, [&](xcb_window_t window) { return !isClient(window); });
        for (const xcb_window_t client : clients)
            if (!watched_.contains(client))
                subscriptionRequests_.push_back({client, xcb_get_window_attributes(connection_, client)});
        if (subscriptionRequests_.empty())
            askClientStates();
        else
            sendFence(Phase::subscriptions);
    }

    // Events first, state second: a change in between is then never lost.
    void askClientStates() {
        for (const SubscriptionRequest& request : std::exchange(subscriptionRequests_, {})) {
            xcb_get_window_attributes_reply_t* attributes =
                xcb_get_window_attributes_reply(connection_, request.attributes, nullptr);
            if (!attributes) continue;  // gone meanwhile
            const std::uint32_t mask =
                attributes->your_event_mask | XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            std::free(attributes);
            // Checked and discarded, so that a window gone meanwhile is no error in Qt's queue.
            xcb_discard_reply(connection_, xcb_change_window_attributes_checked(connection_, request.window,
                                                                                XCB_CW_EVENT_MASK, &mask)
                                               .sequence);
            watched_.insert(request.window);
        }
        StateRequests requests{PropertyRequest(connection_, root_, atoms_[currentDesktop], XCB_ATOM_CARDINAL, 1),
                               xcb_get_geometry(connection_, id_),
                               xcb_translate_coordinates(connection_, id_, root_, 0, 0),
                               {}};
        requests.clients.reserve(clients_.size());
        for (const xcb_window_t client : clients_)
            requests.clients.push_back({xcb_get_window_attributes(connection_, client),
                                        xcb_get_geometry(connection_, client),
                                        xcb_translate_coordinates(connection_, client, root_, 0, 0),
                                        PropertyRequest(connection_, client, atoms_[wmState], XCB_ATOM_ATOM, 64),
                                        PropertyRequest(connection_, client, atoms_[wmDesktop], XCB_ATOM_CARDINAL, 1),
                                        PropertyRequest(connection_, client, atoms_[wmWindowType], XCB_ATOM_ATOM, 32)});
        stateRequests_.emplace(std::move(requests));
        sendFence(Phase::clientStates);
    }

    void readClientStates() {
        const StateRequests requests = std::move(*std::exchange(stateRequests_, std::nullopt));
        const std::vector<std::uint32_t> desktopItems = requests.desktop.items(connection_);
        const std::optional<std::uint32_t> current =
            desktopItems.empty() ? std::nullopt : std::optional<std::uint32_t>(desktopItems.front());
        const std::optional<ScreenArea> monitor = areaOf(requests.ownGeometry, requests.ownOrigin);
        std::vector<ClientWindowState> states;
        states.reserve(requests.clients.size());
        for (const ClientRequests& request : requests.clients) states.push_back(stateOf(request));
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
    Phase phase_ = Phase::idle;
    bool refreshAgain_ = false;
    std::uint32_t fences_ = 0;
    std::optional<ClientListRequests> listRequests_;
    std::vector<SubscriptionRequest> subscriptionRequests_;
    std::optional<StateRequests> stateRequests_;
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
