#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QCoreApplication>
#include <QKeyEvent>

#include "saver/configuration_sheet_qt.hpp"
#include "saver/screen_saver_settings.hpp"
#include "tests/shell/qt_application.hpp"
#include "tests/support/temp_dir.hpp"

namespace glimora {
namespace {

struct Sheet {
    test::TempDir temp;
    std::shared_ptr<ScreenSaverDefaults> settings =
        std::make_shared<ScreenSaverDefaults>(temp.path() / "settings.json", nullptr);
    OmbriqScreenSaverConfigurationController sheet{settings};

    void open() {
        sheet.show();
        ASSERT_TRUE(test::processEventsUntil([&] { return sheet.isVisible(); }));
    }
    bool closes() {
        return test::processEventsUntil([&] { return !sheet.isVisible(); });
    }
};

void pressKey(QWidget& widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
}

QStringList labels(const QWidget& widget) {
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) texts << label->text();
    return texts;
}

TEST(SaverConfiguration, ANewInstallationShowsTheDefaultsWithTheFormsTexts) {
    Sheet s;
    s.open();
    EXPECT_EQ(s.sheet.windowTitle(), "Ombriq Screen Saver");
    EXPECT_EQ(s.sheet.size(), QSize(420, 260));
    EXPECT_TRUE(labels(s.sheet).contains("Ombriq"));
    EXPECT_TRUE(labels(s.sheet).contains("Your saved wallpapers, moving quietly across the screen."));
    EXPECT_TRUE(labels(s.sheet).contains("Change artwork"));
    QComboBox* picker = s.sheet.intervalPicker();
    ASSERT_EQ(picker->count(), 4);
    EXPECT_EQ(picker->itemText(0), "Every 30 seconds");
    EXPECT_EQ(picker->itemText(1), "Every 90 seconds");
    EXPECT_EQ(picker->itemText(2), "Every 3 minutes");
    EXPECT_EQ(picker->itemText(3), "Every 10 minutes");
    EXPECT_EQ(picker->currentText(), "Every 90 seconds");
    EXPECT_EQ(s.sheet.favoritesToggle()->text(), "Only show favorites");
    EXPECT_FALSE(s.sheet.favoritesToggle()->isChecked());
    EXPECT_EQ(s.sheet.animateToggle()->text(), "Play saved animations");
    EXPECT_TRUE(s.sheet.animateToggle()->isChecked());
    EXPECT_EQ(s.sheet.cancelButton()->text(), "Cancel");
    EXPECT_EQ(s.sheet.doneButton()->text(), "Done");
}

TEST(SaverConfiguration, DoneSavesTheChoiceAndCloses) {
    Sheet s;
    s.open();
    QComboBox* picker = s.sheet.intervalPicker();
    picker->setCurrentIndex(2);
    emit picker->activated(2);  // what a user's pick sends
    s.sheet.favoritesToggle()->setChecked(true);
    s.sheet.doneButton()->click();
    EXPECT_TRUE(s.closes());
    EXPECT_EQ(loadScreenSaverSettings(ScreenSaverDefaults(s.settings->file(), nullptr)),
              (ScreenSaverSettings{180, true, true}));
}

TEST(SaverConfiguration, ReturnIsDoneAndEscapeIsCancel) {
    Sheet s;
    s.open();
    s.sheet.animateToggle()->setChecked(false);
    pressKey(s.sheet, Qt::Key_Escape);
    EXPECT_TRUE(s.closes());
    EXPECT_FALSE(std::filesystem::exists(*s.settings->file()));  // nothing stored

    // Opening again starts from the stored settings, not the cancelled form.
    s.open();
    EXPECT_TRUE(s.sheet.animateToggle()->isChecked());
    s.sheet.animateToggle()->setChecked(false);
    pressKey(s.sheet, Qt::Key_Return);
    EXPECT_TRUE(s.closes());
    EXPECT_FALSE(animateArtwork(ScreenSaverDefaults(s.settings->file(), nullptr)));
}

TEST(SaverConfiguration, CancelStoresNothing) {
    Sheet s;
    saveScreenSaverSettings(*s.settings, 30, false, true);
    s.open();
    s.sheet.favoritesToggle()->setChecked(true);
    s.sheet.cancelButton()->click();
    EXPECT_TRUE(s.closes());
    EXPECT_FALSE(favoritesOnly(*s.settings));
    s.open();
    EXPECT_FALSE(s.sheet.favoritesToggle()->isChecked());
    EXPECT_EQ(s.sheet.intervalPicker()->currentText(), "Every 30 seconds");
}

TEST(SaverConfiguration, AnIntervalOffTheListIsKeptUnlessTheUserPicks) {
    Sheet s;
    s.settings->setValue(artworkIntervalKey, 45.0);
    s.open();
    EXPECT_EQ(s.sheet.intervalPicker()->currentIndex(), -1);
    s.sheet.doneButton()->click();
    EXPECT_TRUE(s.closes());
    EXPECT_EQ(artworkInterval(*s.settings, false), 45);

    // Below the floor: shown and written back as 10.
    s.settings->setValue(artworkIntervalKey, 3.0);
    s.open();
    EXPECT_EQ(s.sheet.interval(), 10);
    s.sheet.doneButton()->click();
    EXPECT_TRUE(s.closes());
    EXPECT_EQ(s.settings->value(artworkIntervalKey), nlohmann::json(10.0));
}

}  // namespace
}  // namespace glimora
