// "ombriq-saver --configure" under a window manager: the dialog is titled
// and closable only, and closing it from the title bar ends the program.
#include <algorithm>

#include "tests/shell/x11_harness.hpp"

namespace glimora {
namespace {

using namespace x11test;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);


TEST(SaverConfigureX11, TheDialogIsTitledAndClosableOnly) {
    X11 x11;
    ASSERT_NE(x11.display(), nullptr);
    const pid_t saver = spawn({GLIMORA_SAVER_BINARY, "--configure"});
    ASSERT_GT(saver, 0);
    const Window dialog = x11.waitForWindowNamed("Ombriq Screen Saver");
    if (!dialog) stop(saver);
    ASSERT_NE(dialog, 0u) << "no dialog";

    // What the window asks of every window manager that reads Motif hints:
    // functions and decorations given; of the functions minimise (8), maximise
    // (16) and close (32) only close; of the decorations title (8), minimise
    // (32) and maximise (64) only the title.
    const auto motif = x11.property(dialog, "_MOTIF_WM_HINTS", x11.atom("_MOTIF_WM_HINTS"));
    ASSERT_GE(motif.size(), 3u);
    EXPECT_EQ(motif[0] & 3, 3u);
    EXPECT_EQ(motif[1] & (8 | 16 | 32), 32u);
    EXPECT_EQ(motif[2] & (8 | 32 | 64), 8u);

    // What openbox offers. It reads no minimise from Motif hints (its theme
    // draws that button for every titled window), but the fixed size keeps
    // it from resizing or maximising.
    const auto allowed = x11.property(dialog, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM);
    const auto offers = [&](const char* action) {
        return std::find(allowed.begin(), allowed.end(), x11.atom(action)) != allowed.end();
    };
    EXPECT_TRUE(offers("_NET_WM_ACTION_CLOSE"));
    EXPECT_FALSE(offers("_NET_WM_ACTION_RESIZE"));
    EXPECT_FALSE(offers("_NET_WM_ACTION_MAXIMIZE_HORZ"));
    EXPECT_FALSE(offers("_NET_WM_ACTION_MAXIMIZE_VERT"));

    // The title bar's close: the window manager asks the dialog to close.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = dialog;
    close.xclient.message_type = x11.atom("_NET_CLOSE_WINDOW");
    close.xclient.format = 32;
    close.xclient.data.l[0] = CurrentTime;
    close.xclient.data.l[1] = 2;  // from a pager or the like: direct user action
    XSendEvent(x11.display(), x11.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &close);
    XFlush(x11.display());
    const auto status = waitForExit(saver, std::chrono::seconds(10));
    if (!status) stop(saver);
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace glimora
