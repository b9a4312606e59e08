// The open notch panel as a screen reader finds it: the running application
// publishes its accessibility tree over AT-SPI (at-spi2-core), and the test
// reads it from outside the process with pyatspi (accessibility_tree.py), as
// Orca would. Run by ctest inside dbus-run-session and xvfb-run at
// 1920x1080, with an openbox of its own.
#include "tests/shell/x11_harness.hpp"

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "model/design_options.hpp"

namespace {

using namespace glimora::x11test;
using namespace std::chrono_literals;
using nlohmann::json;

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new WindowManager);

const std::string treeScript = std::string(GLIMORA_TEST_SOURCE_DIR) + "/shell/accessibility_tree.py";

// One node of the tree as the script reports it.
struct Node {
    std::string role, name, description;
    std::vector<std::string> states;
    std::optional<double> value, minimum, maximum, step;
    std::vector<std::string> actions;
    QRect extents;

    bool has(const std::string& state) const { return std::find(states.begin(), states.end(), state) != states.end(); }
    std::string firstAction() const { return actions.empty() ? std::string() : actions.front(); }
};

class PanelAccessibility : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Qt publishes its tree on the accessibility bus without a screen reader running.
        setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    }

    void TearDown() override {
        stop(glimora);
        waitUntil([&] { return x11.windowsNamed("Glimora Notch").empty(); }, 5s);
        std::filesystem::remove(preferences());
        XSync(x11.display(), False);
    }

    static std::filesystem::path preferences() {
        return std::filesystem::path(std::getenv("XDG_CONFIG_HOME")) / "glimora" / "preferences.json";
    }

    // Starts the application with the panel at this edge and opens it with a
    // click at `opener`; waits for the open frame.
    void startOpen(const std::string& placement, QPoint opener, const Frame& open) {
        std::filesystem::create_directories(preferences().parent_path());
        std::ofstream(preferences()) << "{\"launchAtLogin\": false, \"notchPlacement\": \"" << placement << "\"}";
        glimora = spawn({GLIMORA_BINARY});
        ASSERT_GT(glimora, 0);
        panel = x11.waitForWindowNamed("Glimora Notch");
        ASSERT_NE(panel, 0u) << "no notch panel appeared";
        std::this_thread::sleep_for(300ms);
        ASSERT_TRUE(clickAt(opener.x(), opener.y()));
        ASSERT_TRUE(waitUntil([&] { return x11.frame(panel) == open; })) << x11.frame(panel);
    }

    // Runs the script; its exit code.
    int script(const std::vector<std::string>& arguments) {
        // Debian's Python, where python3-pyatspi lives.
        std::vector<std::string> command{"/usr/bin/python3", treeScript, "Glimora"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const std::string log = (std::filesystem::path(std::getenv("HOME")) / "tree-script.log").string();
        const pid_t pid = spawn(command, log);
        int exitCode = -1;
        if (pid > 0) {
            if (const auto code = waitForExit(pid, 60s))
                exitCode = *code;
            else
                stop(pid);
        }
        if (exitCode != 0) {
            std::ifstream in(log);
            ADD_FAILURE() << "accessibility_tree.py failed: " << std::string(std::istreambuf_iterator<char>(in), {});
        }
        return exitCode;
    }

    // The panel's tree now, showing nodes only.
    std::vector<Node> tree() {
        const auto file = std::filesystem::path(std::getenv("HOME")) / "tree.json";
        std::filesystem::remove(file);
        if (script({"--output", file.string()}) != 0) return {};
        std::ifstream in(file);
        const json nodes = json::parse(in, nullptr, false);
        std::vector<Node> found;
        if (!nodes.is_array()) return found;
        for (const json& n : nodes) {
            Node node{n.at("role"), n.at("name"), n.at("description"), n.at("states"), {}, {}, {}, {}, {}, {}};
            if (!node.has("showing")) continue;
            if (n.contains("value")) {
                node.value = n.at("value");
                node.minimum = n.at("minimum");
                node.maximum = n.at("maximum");
                node.step = n.at("step");
            }
            if (n.contains("actions")) node.actions = n.at("actions").get<std::vector<std::string>>();
            if (n.contains("extents")) {
                const auto box = n.at("extents");
                node.extents = QRect(box[0], box[1], box[2], box[3]);
            }
            found.push_back(node);
        }
        return found;
    }

    // The tree once `condition` holds for it, or the last one read.
    std::vector<Node> treeWhen(const std::function<bool(const std::vector<Node>&)>& condition) {
        std::vector<Node> nodes;
        waitUntil([&] { return condition(nodes = tree()); }, 20s);
        return nodes;
    }

    static const Node* find(const std::vector<Node>& nodes, const std::string& role, const std::string& name) {
        const auto it =
            std::find_if(nodes.begin(), nodes.end(), [&](const Node& n) { return n.role == role && n.name == name; });
        return it == nodes.end() ? nullptr : &*it;
    }

    X11 x11;
    pid_t glimora = -1;
    Window panel = 0;
};

std::string text(std::string_view view) { return std::string(view); }

TEST_F(PanelAccessibility, TheOpenTopPanelsStyleTabNamesEveryControlWithItsRoleStateAndValue) {
    ASSERT_NO_FATAL_FAILURE(startOpen("top", {960, 14}, {580, 0, 760, 300}));
    const std::string finish = text(glimora::title(glimora::NotchTab::style));
    // A screen reader's user presses the tab.
    ASSERT_EQ(script({"--press", "page tab", finish}), 0);
    std::vector<Node> nodes = treeWhen([&](const std::vector<Node>& n) {
        const Node* tab = find(n, "page tab", finish);
        return tab && tab->has("selected") && find(n, "slider", "Bend");
    });
    x11.screenshot("accessibility-style-tab");

    // The header: nine page tabs, the style tab selected, and two buttons.
    for (const glimora::NotchTab tab : glimora::allCases<glimora::NotchTab>()) {
        const Node* node = find(nodes, "page tab", text(glimora::title(tab)));
        ASSERT_NE(node, nullptr) << glimora::title(tab);
        EXPECT_EQ(node->has("selected"), tab == glimora::NotchTab::style) << glimora::title(tab);
        EXPECT_TRUE(node->has("selectable"));
        EXPECT_EQ(node->actions, std::vector<std::string>{"press"}) << glimora::title(tab);
    }
    for (const char* button : {"Randomize", "Close"}) EXPECT_NE(find(nodes, "push button", button), nullptr) << button;

    // The pins, by "Pin " and the property's title.
    for (const char* pin : {"Pin Texture", "Pin Bend", "Pin Line Texture", "Pin Color Fringe"})
        EXPECT_NE(find(nodes, "push button", pin), nullptr) << pin;

    // The chips: radio buttons, one of each row checked.
    const auto checkedAmong = [&](const std::vector<std::string>& names) {
        int checked = 0;
        for (const std::string& name : names) {
            const Node* chip = find(nodes, "radio button", name);
            EXPECT_NE(chip, nullptr) << name;
            if (!chip) continue;
            EXPECT_EQ(chip->firstAction(), "press") << name;
            checked += chip->has("checked") ? 1 : 0;
        }
        return checked;
    };
    EXPECT_EQ(checkedAmong({"Off", "2\u00D72", "4\u00D74", "8\u00D78", "16\u00B2", "Noise"}), 1);
    EXPECT_EQ(checkedAmong({"RGB", "R", "G", "B"}), 1);

    // The sliders: named by their caption, with their value and range.
    const std::map<std::string, double> upper{{"Color Offset", 20}, {"Bend", 100}};
    for (const auto& [name, maximum] : upper) {
        const Node* slider = find(nodes, "slider", name);
        ASSERT_NE(slider, nullptr) << name;
        ASSERT_TRUE(slider->value.has_value()) << name;
        EXPECT_EQ(slider->minimum, 0.0) << name;
        EXPECT_EQ(slider->maximum, maximum) << name;
        EXPECT_EQ(slider->step, 1.0) << name;
        EXPECT_GE(*slider->value, 0.0);
        EXPECT_LE(*slider->value, maximum);
        EXPECT_NE(find(nodes, "label", name), nullptr) << "caption " << name;
    }

    // The four effects: check boxes with their state.
    for (const char* name : {"Line Texture", "Negative", "Edge Shade", "Color Fringe"}) {
        const Node* toggle = find(nodes, "check box", name);
        ASSERT_NE(toggle, nullptr) << name;
        EXPECT_EQ(toggle->actions, std::vector<std::string>{"toggle"}) << name;
    }

    // What changes on screen changes in the tree: a click at the left end of
    // "Color Offset" gives it 0; the toggle action flips "Negative"; the
    // slider's first action, increase, raises "Bend" a step.
    const bool negative = find(nodes, "check box", "Negative")->has("checked");
    const QRect offset = find(nodes, "slider", "Color Offset")->extents;
    const double bend = find(nodes, "slider", "Bend")->value.value_or(-1);
    EXPECT_EQ(find(nodes, "slider", "Bend")->firstAction(), "increase");
    ASSERT_FALSE(offset.isEmpty());
    ASSERT_TRUE(clickAt(offset.left() + 1, offset.top() + 4));
    ASSERT_EQ(script({"--press", "check box", "Negative"}), 0);
    ASSERT_EQ(script({"--press", "slider", "Bend"}), 0);
    const double raised = std::min(bend + 1, 100.0);
    nodes = treeWhen([&](const std::vector<Node>& n) {
        const Node* slider = find(n, "slider", "Color Offset");
        const Node* toggle = find(n, "check box", "Negative");
        const Node* bent = find(n, "slider", "Bend");
        return slider && slider->value == 0.0 && toggle && toggle->has("checked") != negative && bent &&
               bent->value == raised;
    });
    ASSERT_NE(find(nodes, "slider", "Color Offset"), nullptr);
    EXPECT_EQ(find(nodes, "slider", "Color Offset")->value, 0.0);
    ASSERT_NE(find(nodes, "check box", "Negative"), nullptr);
    EXPECT_NE(find(nodes, "check box", "Negative")->has("checked"), negative);
    ASSERT_NE(find(nodes, "slider", "Bend"), nullptr);
    EXPECT_EQ(find(nodes, "slider", "Bend")->value, raised);
}

TEST_F(PanelAccessibility, TheSidePanelsGripAndTabsAreNamed) {
    // The rail's Expand button opens the right-hand panel.
    ASSERT_NO_FATAL_FAILURE(startOpen("right", {1852 + 34, 430 + 220 - 46}, {1598, 220, 322, 640}));
    const std::vector<Node> nodes =
        treeWhen([&](const std::vector<Node>& n) { return find(n, "push button", "Collapse") != nullptr; });
    const auto grip = std::find_if(nodes.begin(), nodes.end(),
                                   [](const Node& n) { return n.name == "Resize notch width"; });
    ASSERT_NE(grip, nodes.end());
    EXPECT_EQ(grip->role, "separator");
    EXPECT_EQ(grip->description, "Drag horizontally to change the side notch width");
    for (const glimora::NotchTab tab : glimora::allCases<glimora::NotchTab>())
        EXPECT_NE(find(nodes, "page tab", text(glimora::title(tab))), nullptr) << glimora::title(tab);
    EXPECT_NE(find(nodes, "push button", "Randomize"), nullptr);
}

}  // namespace
