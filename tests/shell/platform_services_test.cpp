#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QThread>

#include <atomic>
#include <cmath>
#include <limits>

#include "platform/file_preferences.hpp"
#include "platform/qt/qt_clipboard.hpp"
#include "platform/qt/qt_file_dialogs.hpp"
#include "platform/qt/qt_scheduler.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/support/platform_fakes.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

using nlohmann::json;

TEST(FilePreferences, EveryTypeSurvivesARestartExactly) {
    test::TempDir folder;
    const auto file = folder.path() / "config/glimora/preferences.json";
    const json values = {
        {"launchAtLogin", false},
        {"flag", true},
        {"whole", 420},
        {"negative", -7},
        {"big", 9007199254740993LL},                   // 2^53 + 1: no double holds it
        {"huge", std::numeric_limits<std::uint64_t>::max()},
        {"sideExpandedWidth", 420.0},                  // a double with a whole value stays a double
        {"fraction", 0.1},
        {"tiny", 5e-324},
        {"largest", std::numeric_limits<double>::max()},
        {"notchPlacement", "left"},
        {"text", "Zoë \"quoted\" \\ / \n tab\t €"},
        {"empty", ""},
        {"pinnedShuffleProperties", json::array({"palette", "shape"})},
        {"none", json::array()},
        {"nested", {{"a", json::array({1, 2.5, "x", nullptr})}}},
        {"null", nullptr},
    };
    {
        FilePreferences preferences(file, nullptr);
        for (const auto& [key, value] : values.items()) preferences.setValue(key, value);
    }
    FilePreferences restarted(file, nullptr);
    for (const auto& [key, value] : values.items()) {
        const auto read = restarted.value(key);
        ASSERT_TRUE(read) << key;
        EXPECT_EQ(read->type(), value.type()) << key;
        EXPECT_EQ(*read, value) << key;
    }
    EXPECT_TRUE(restarted.value("sideExpandedWidth")->is_number_float());
    EXPECT_TRUE(restarted.value("whole")->is_number_integer());
    EXPECT_EQ(restarted.value("big")->get<std::int64_t>(), 9007199254740993LL);
    EXPECT_EQ(restarted.value("fraction")->get<double>(), 0.1);
    EXPECT_EQ(restarted.stringValue("notchPlacement"), "left");
    EXPECT_EQ(restarted.value("missing"), std::nullopt);

    // Overwriting changes the type too, and survives another restart.
    restarted.setValue("whole", "now text");
    EXPECT_EQ(FilePreferences(file, nullptr).value("whole"), json("now text"));
}

TEST(FilePreferences, UnreadableFileIsMovedAsideAndNothingIsLost) {
    test::TempDir folder;
    const auto file = folder.path() / "preferences.json";
    for (const std::string bad : {"{\"notchPlacement\": \"left\"", "[1, 2]", "\xff\xfe"}) {
        test::writeFile(file, bad);
        auto logger = std::make_shared<test::RecordingLogger>();
        FilePreferences preferences(file, logger);
        EXPECT_EQ(preferences.value("notchPlacement"), std::nullopt);
        ASSERT_EQ(logger->lines.size(), 1u);
        EXPECT_TRUE(logger->lines[0].starts_with("Glimora preferences could not be read (")) << logger->lines[0];
        EXPECT_FALSE(std::filesystem::exists(file));
        preferences.setValue("notchPlacement", "right");
        EXPECT_EQ(FilePreferences(file, nullptr).stringValue("notchPlacement"), "right");
    }
    // Each bad file is still there under its own name.
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        if (entry.path().filename().string().starts_with("preferences.json.unreadable-")) ++kept;
    }
    EXPECT_EQ(kept, 3);
}

TEST(FilePreferences, ANumberBeyondTheDoubleRangeCostsOnlyItsKey) {
    test::TempDir folder;
    const auto file = folder.path() / "preferences.json";
    test::writeFile(file, R"({"notchPlacement": "left", "sideExpandedWidth": 1e999, "pins": [-1e999, "shape"]})");
    auto logger = std::make_shared<test::RecordingLogger>();
    FilePreferences preferences(file, logger);
    EXPECT_EQ(preferences.stringValue("notchPlacement"), "left");
    EXPECT_EQ(preferences.value("sideExpandedWidth"), std::nullopt);
    EXPECT_EQ(preferences.value("pins"), json::array({nullptr, "shape"}));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(logger->lines, std::vector<std::string>{
                                 "Glimora preferences left out “sideExpandedWidth”, “pins/0”: too large for a double"});
    preferences.setValue("launchAtLogin", true);
    EXPECT_EQ(FilePreferences(file, nullptr).stringValue("notchPlacement"), "left");
}

TEST(FilePreferences, AFileNestedTooDeeplyIsMovedAsideNotFollowedDownTheStack) {
    test::TempDir folder;
    const auto file = folder.path() / "preferences.json";
    // Two million levels, well under the size cap.
    constexpr std::size_t depth = 2'000'000;
    test::writeFile(file, "{\"notchPlacement\": \"left\", \"deep\": " + std::string(depth, '[') +
                              std::string(depth, ']') + "}");
    auto logger = std::make_shared<test::RecordingLogger>();
    FilePreferences preferences(file, logger);
    EXPECT_EQ(preferences.value("notchPlacement"), std::nullopt);
    ASSERT_EQ(logger->lines.size(), 1u);
    EXPECT_TRUE(logger->lines[0].starts_with("Glimora preferences could not be read (not JSON)")) << logger->lines[0];
    EXPECT_FALSE(std::filesystem::exists(file));

    // Nesting any setting could have still reads.
    test::writeFile(file, "{\"notchPlacement\": \"left\", \"deep\": " + std::string(40, '[') +
                              std::string(40, ']') + "}");
    EXPECT_EQ(FilePreferences(file, nullptr).stringValue("notchPlacement"), "left");
}

TEST(FilePreferences, ValuesJsonCannotHoldAreRefusedOrMadeValid) {
    test::TempDir folder;
    const auto file = folder.path() / "preferences.json";
    auto logger = std::make_shared<test::RecordingLogger>();
    FilePreferences preferences(file, logger);
    preferences.setValue("width", 300.5);
    preferences.setValue("width", std::numeric_limits<double>::quiet_NaN());
    preferences.setValue("width", json::array({1.0, std::numeric_limits<double>::infinity()}));
    EXPECT_EQ(preferences.value("width"), json(300.5));
    EXPECT_EQ(logger->lines.size(), 2u);

    preferences.setValue("name", "caf\xe9");  // Latin-1, not UTF-8
    EXPECT_EQ(preferences.stringValue("name"), "caf\xef\xbf\xbd");
    FilePreferences restarted(file, nullptr);
    EXPECT_EQ(restarted.stringValue("name"), "caf\xef\xbf\xbd");
    EXPECT_EQ(restarted.value("width"), json(300.5));
}

TEST(FilePreferences, FailedSaveIsLoggedAndKeepsTheValueForThisRun) {
    test::TempDir folder;
    test::writeFile(folder.path() / "blocked", "a file where the folder should be");
    auto logger = std::make_shared<test::RecordingLogger>();
    FilePreferences preferences(folder.path() / "blocked/glimora/preferences.json", logger);
    preferences.setValue("launchAtLogin", true);
    EXPECT_EQ(preferences.value("launchAtLogin"), json(true));
    ASSERT_EQ(logger->lines.size(), 1u);
    EXPECT_TRUE(logger->lines[0].starts_with("Glimora preferences could not be saved: ")) << logger->lines[0];
}

TEST(FilePreferences, StandardFileIsUnderTheConfigFolder) {
    EXPECT_EQ(FilePreferences::standardFile(FixedPaths("/home/u")), "/home/u/config/glimora/preferences.json");
    EXPECT_EQ(FilePreferences::standardFile(FixedPaths(std::nullopt)), std::nullopt);
}

TEST(QtClipboard, HoldsThePngBytesAsImagePng) {
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier text"));
    const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H'};
    QtClipboard().setPngData(png);
    const QMimeData* held = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(held->hasFormat(QStringLiteral("image/png")));
    const QByteArray bytes = held->data(QStringLiteral("image/png"));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), png);
    EXPECT_FALSE(held->hasText());  // the earlier contents are gone
}

TEST(QtScheduler, DelayedWorkRunsOnTheMainThreadAndCancelledWorkNever) {
    QtScheduler scheduler;
    std::vector<std::string> ran;
    QThread* ranOn = nullptr;
    const TaskHandle cancelled = scheduler.after(0.02, [&] { ran.push_back("cancelled"); });
    scheduler.after(0.06, [&] {
        ran.push_back("late");
        ranOn = QThread::currentThread();
    });
    scheduler.after(0.01, [&] { ran.push_back("early"); });
    cancelled.cancel();
    EXPECT_TRUE(ran.empty());  // nothing runs before the loop turns
    ASSERT_TRUE(test::processEventsUntil([&] { return ran.size() == 2; }));
    test::processEventsFor(60);
    EXPECT_EQ(ran, (std::vector<std::string>{"early", "late"}));
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(QtScheduler, PostedWorkRunsInOrderAndBackgroundWorkPostsBack) {
    QtScheduler scheduler;
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) scheduler.post([&order, i] { order.push_back(i); });
    EXPECT_TRUE(order.empty());

    std::atomic<QThread*> backgroundThread{nullptr};
    QThread* postedOn = nullptr;
    QThread* delayedOn = nullptr;
    scheduler.background([&] {
        backgroundThread = QThread::currentThread();
        scheduler.post([&] { postedOn = QThread::currentThread(); });
        scheduler.after(0.01, [&] { delayedOn = QThread::currentThread(); });
    });
    ASSERT_TRUE(test::processEventsUntil([&] { return postedOn && delayedOn; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_NE(backgroundThread.load(), QCoreApplication::instance()->thread());
    EXPECT_EQ(postedOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(delayedOn, QCoreApplication::instance()->thread());
}

TEST(QtScheduler, OutOfRangeDelaysAreClamped) {
    QtScheduler scheduler;
    int ran = 0;
    scheduler.after(-5, [&] { ++ran; });
    scheduler.after(std::numeric_limits<double>::quiet_NaN(), [&] { ++ran; });
    const TaskHandle far = scheduler.after(1e300, [&] { ++ran; });
    ASSERT_TRUE(test::processEventsUntil([&] { return ran == 2; }));
    far.cancel();
}

QFileDialog* openDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) return dialog;
    return nullptr;
}

TEST(QtFileDialogs, OpenCompletesAfterTheDialogEnds) {
    test::TempDir folder;
    test::writeFile(folder.path() / "a.png", "x");
    test::writeFile(folder.path() / "b.png", "x");
    QtFileDialogs dialogs(false);

    std::optional<std::vector<std::filesystem::path>> chosen;
    FileDialogs::OpenOptions options;
    options.allowsMultipleSelection = true;
    options.allowedTypes = {FileDialogs::FileType::image};
    options.prompt = "Import Images";
    options.message = "Choose one or more images.";
    options.directory = folder.path();
    dialogs.open(options, [&](std::vector<std::filesystem::path> paths) { chosen = std::move(paths); });
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(chosen);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Import Images");
    EXPECT_EQ(dialog->windowTitle(), "Choose one or more images.");
    EXPECT_TRUE(dialog->nameFilters().value(0).contains("*.png"));
    EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder.path().string());
    dialog->selectFile(QString::fromStdString((folder.path() / "b.png").string()));
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, std::vector<std::filesystem::path>{folder.path() / "b.png"});

    // Cancelling completes with nothing, exactly once.
    int completions = 0;
    FileDialogs::OpenOptions folders;
    folders.canChooseFiles = false;
    folders.canChooseDirectories = true;
    dialogs.open(folders, [&](std::vector<std::filesystem::path> paths) {
        ++completions;
        EXPECT_TRUE(paths.empty());
    });
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    dialog->reject();
    test::processEventsFor(20);
    EXPECT_EQ(completions, 1);
}

TEST(QtFileDialogs, SaveOffersTheSuggestedNameWithItsType) {
    test::TempDir folder;
    QtFileDialogs dialogs(false);
    std::optional<std::optional<std::filesystem::path>> chosen;
    FileDialogs::SaveOptions options;
    options.allowedTypes = {FileDialogs::FileType::png};
    options.suggestedFileName = "ultraviolet-wallpaper.png";
    options.prompt = "Export";
    options.directory = folder.path();
    dialogs.save(options, [&](std::optional<std::filesystem::path> path) { chosen = std::move(path); });
    QFileDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->defaultSuffix(), "png");
    EXPECT_EQ(dialog->nameFilters(), QStringList{"PNG image (*.png)"});
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, folder.path() / "ultraviolet-wallpaper.png");
}

}  // namespace
}  // namespace glimora
