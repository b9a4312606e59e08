// Every text the program shows a person — the panel and its editors at each
// edge and on each tab, the status menu, the settings window, the saver's
// settings, the alerts, the file panels' words and the log — says what is
// true on Linux: none names the other platform's programs, packaging or
// updater.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <regex>
#include <set>

#include "controls/small_views.hpp"
#include "saver/configuration_sheet_qt.hpp"
#include "saver/screen_saver_settings.hpp"
#include "tests/shell/app_fakes.hpp"
#include "tests/shell/editor_fixture.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

struct ShownText {
    std::string where;
    std::string text;
};

class TextCollector {
public:
    void add(const std::string& where, const QString& text) {
        if (!text.isEmpty()) texts.push_back({where, text.toStdString()});
    }
    void add(const std::string& where, const std::string& text) {
        if (!text.empty()) texts.push_back({where, text});
    }

    void addMenu(const std::string& where, const QMenu* menu) {
        if (!menu || !visitedMenus_.insert(menu).second) return;
        add(where, menu->title());
        for (const QAction* action : menu->actions()) {
            add(where + " menu item", action->text());
            add(where + " menu item tooltip", action->toolTip());
            addMenu(where, action->menu());
        }
    }

    // The widget and everything inside it, shown or not.
    void addWidgets(const std::string& where, const QWidget* root) {
        QList<const QWidget*> widgets{root};
        for (const QWidget* child : root->findChildren<QWidget*>()) widgets.append(child);
        for (const QWidget* widget : widgets) {
            const std::string at = where + " / " + widget->metaObject()->className();
            add(at + " tooltip", widget->toolTip());
            add(at + " accessible name", widget->accessibleName());
            add(at + " accessible description", widget->accessibleDescription());
            add(at + " status tip", widget->statusTip());
            add(at + " what's this", widget->whatsThis());
            if (widget->isWindow()) add(at + " window title", widget->windowTitle());
            if (const auto* label = qobject_cast<const QLabel*>(widget)) add(at + " text", label->text());
            if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) add(at + " text", button->text());
            if (const auto* tool = qobject_cast<const QToolButton*>(widget)) addMenu(at, tool->menu());
            if (const auto* menu = qobject_cast<const QMenu*>(widget)) addMenu(at, menu);
            if (const auto* field = qobject_cast<const QLineEdit*>(widget)) {
                add(at + " placeholder", field->placeholderText());
                add(at + " text", field->text());
            }
            if (const auto* combo = qobject_cast<const QComboBox*>(widget))
                for (int i = 0; i < combo->count(); ++i) add(at + " item", combo->itemText(i));
            if (const auto* label = qobject_cast<const FittingLabel*>(widget)) add(at + " text", label->text());
            for (const QAction* action : widget->actions()) {
                add(at + " action", action->text());
                addMenu(at, action->menu());
            }
            // What assistive tools read, painted text included.
            if (QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(widget)))
                for (const QAccessible::Text kind : {QAccessible::Name, QAccessible::Description, QAccessible::Help})
                    add(at + " accessible text", accessible->text(kind));
        }
    }

    std::vector<ShownText> texts;

private:
    std::set<const QMenu*> visitedMenus_;
};

// The other platform's programs, packaging and updater, as its texts name them.
const std::regex& otherPlatformWords() {
    static const std::regex words(
        R"(\b(Finder|Mac|Macs|macOS|OS X|System Settings|System Preferences|app bundle|Dock|menu bar|Sparkle|SPARKLE\w*|iCloud|Spotlight|AppKit|Launchpad|Command key)\b|\.saver\b|Screen Saver target|⌘)");
    return words;
}

std::vector<ShownText> otherPlatformTexts(const std::vector<ShownText>& texts) {
    std::vector<ShownText> found;
    for (const ShownText& shown : texts)
        if (std::regex_search(shown.text, otherPlatformWords())) found.push_back(shown);
    return found;
}

ImportedImageAsset photo(const std::string& name) {
    ImportedImageAsset asset;
    std::array<std::uint8_t, 16> bytes{};
    bytes[0] = 7;
    asset.id = Uuid::fromRandomBytes(bytes);
    asset.fileName = name;
    asset.buffer = test::solidImage(64, 48);
    asset.preview = asset.buffer;
    return asset;
}

TEST(UserTexts, TheMatcherFindsTheOtherPlatformsWordsAndSparesOurs) {
    // The texts these Parts were written with, and words that only look alike.
    for (const char* theirs : {"To pixelize an image, use Image → Finder.", "nothing leaves your Mac.",
                               "Build Ombriq with the Screen Saver target before setting it up.",
                               "Open the Ombriq.saver file from the app bundle to add it in System Settings.",
                               "Ombriq updater is disabled until SPARKLE_PUBLIC_ED_KEY is configured"})
        EXPECT_TRUE(std::regex_search(std::string(theirs), otherPlatformWords())) << theirs;
    for (const char* ours : {"Macro", "Use Image → Files.", "Docked at the top", "ombriq-saver --configure",
                             "Choose photos from your library"})
        EXPECT_FALSE(std::regex_search(std::string(ours), otherPlatformWords())) << ours;
}

TEST(UserTexts, NoTextTheProgramShowsNamesTheOtherPlatform) {
    test::AppHarness harness;
    harness.withNotchPanel = true;
    harness.trayAvailable = false;  // the panel then offers the status menu too
    auto delegate = harness.make();
    delegate->applicationDidFinishLaunching();
    delegate->finishStartUp();
    ASSERT_NE(delegate->notchWindowController(), nullptr);
    NotchViewModel& model = *delegate->model();
    TextCollector collected;

    // The panel at every edge, closed and open on every tab, first with no
    // pictures and an empty library, then with a picture shown and a saved design.
    std::vector<NotchTab> tabs(allCases<NotchTab>().begin(), allCases<NotchTab>().end());
    tabs.push_back(NotchTab::shader);
    for (const bool withPictures : {false, true}) {
        if (withPictures) {
            model.setImageAssets({photo("beach.jpg"), photo("dunes.png")});
            model.setCurrentImageIndex(0);
            model.saveToLibrary("Dusk");
            model.setWallpaperSource(WallpaperSource::image);
        }
        for (const NotchPlacement placement : allCases<NotchPlacement>()) {
            model.setNotchPlacement(placement);
            model.setExpanded(false);
            test::settle();
            const std::string edge = std::string(rawValue(placement)) + (withPictures ? " with pictures" : "");
            collected.addWidgets("closed panel, " + edge, delegate->notchWindowController()->panel());
            model.setExpanded(true);
            for (const NotchTab tab : tabs) {
                model.setSelectedTab(tab);
                test::settle();
                collected.addWidgets("open panel, " + edge + ", tab " + std::string(rawValue(tab)),
                                     delegate->notchWindowController()->panel());
            }
        }
    }
    collected.addMenu("status menu", delegate->statusMenu());
    collected.addMenu("panel's context menu", delegate->notchWindowController()->panel()->contextMenu());
    collected.add("status item tooltip", harness.statusItem->toolTip);

    delegate->showSettingsWindow();
    collected.addWidgets("settings window", delegate->settingsWindow());

    test::TempDir folder;
    OmbriqScreenSaverConfigurationController saverSettings(
        std::make_shared<ScreenSaverDefaults>(folder.path() / "settings.json", nullptr));
    collected.addWidgets("saver settings", &saverSettings);

    // The alerts of the screen-saver set-up: not found, not opened, and the
    // one-time note after it opened.
    delegate->openScreenSaverBundle();
    harness.screenSaver->location = "/usr/bin/ombriq-saver";
    harness.screenSaver->opens = false;
    delegate->openScreenSaverBundle();
    harness.screenSaver->opens = true;
    delegate->openScreenSaverBundle();
    ASSERT_EQ(harness.alerts->alerts.size(), 3u);
    for (const auto& [message, informative] : harness.alerts->alerts) {
        collected.add("alert", message);
        collected.add("alert text", informative);
    }

    // The file panels the model opens, and the log.
    model.chooseImageFiles();
    model.chooseOutputFolder({});
    model.chooseRecipeToImport();
    model.exportCurrentRecipe();
    model.exportWithSavePanel();
    const auto& dialogs = *harness.model.dialogs;
    EXPECT_GE(dialogs.openRequests.size(), 3u);
    for (const auto& request : dialogs.openRequests) {
        collected.add("open panel prompt", request.prompt);
        collected.add("open panel message", request.message);
    }
    for (const auto& request : dialogs.saveRequests) {
        collected.add("save panel prompt", request.prompt);
        collected.add("save panel message", request.message);
    }
    for (const std::string& line : harness.logger->lines) collected.add("log", line);

    // Enough was seen for the search to mean something: the texts of every tab.
    const auto seen = [&](const std::string& text) {
        return std::any_of(collected.texts.begin(), collected.texts.end(),
                           [&](const ShownText& shown) { return shown.text == text; });
    };
    for (const char* text : {"Files", "Add Images", "Photos", "Color Offset", "Line Texture", "Export", "Save",
                             "Quit Chromafold", "Set Up Screen Saver…", "Notch Position", "Resize notch width",
                             "Only show favorites", "Screen Saver unavailable", "Dusk"})
        EXPECT_TRUE(seen(text)) << text;
    EXPECT_GT(collected.texts.size(), 2000u);

    for (const ShownText& shown : otherPlatformTexts(collected.texts))
        ADD_FAILURE() << shown.where << ": \"" << shown.text << "\"";
}

}  // namespace
}  // namespace glimora
