#include "saver/configuration_sheet_qt.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "saver/screen_saver_settings.hpp"

namespace glimora {

OmbriqScreenSaverConfigurationController::OmbriqScreenSaverConfigurationController(
    std::shared_ptr<Preferences> settings, QWidget* parent)
    : QDialog(parent),
      settings_(std::move(settings)),
      picker_(new QComboBox(this)),
      favorites_(new QCheckBox(QStringLiteral("Only show favorites"), this)),
      animate_(new QCheckBox(QStringLiteral("Play saved animations"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      done_(new QPushButton(QStringLiteral("Done"), this)) {
    setWindowTitle(QStringLiteral("Ombriq Screen Saver"));
    // Titled and closable only: no minimise, no maximise, no resizing.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(420, 260);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);

    auto* header = new QVBoxLayout;
    header->setSpacing(4);
    auto* title = new QLabel(QStringLiteral("Ombriq"), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(22);
    titleFont.setWeight(QFont::Medium);
    title->setFont(titleFont);
    auto* subtitle = new QLabel(QStringLiteral("Your saved wallpapers, moving quietly across the screen."), this);
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    header->addWidget(title);
    header->addWidget(subtitle);
    outer->addLayout(header);

    for (const IntervalItem& item : intervalItems) picker_->addItem(QString::fromUtf8(item.text), item.seconds);
    picker_->setAccessibleName(QStringLiteral("Change artwork"));
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(QStringLiteral("Change artwork"), picker_);
    outer->addLayout(form);
    outer->addWidget(favorites_);
    outer->addWidget(animate_);
    outer->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(done_);
    outer->addLayout(buttons);

    cancel_->setAutoDefault(false);
    done_->setDefault(true);
    connect(picker_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) interval_ = picker_->itemData(index).toDouble();
    });
    connect(cancel_, &QPushButton::clicked, this, &OmbriqScreenSaverConfigurationController::closeConfigurationSheet);
    connect(done_, &QPushButton::clicked, this, &OmbriqScreenSaverConfigurationController::saveAndClose);
    loadFromSettings();
}

bool OmbriqScreenSaverConfigurationController::favoritesOnly() const { return favorites_->isChecked(); }

bool OmbriqScreenSaverConfigurationController::animateArtwork() const { return animate_->isChecked(); }

void OmbriqScreenSaverConfigurationController::loadFromSettings() {
    const ScreenSaverSettings stored = loadScreenSaverSettings(*settings_);
    interval_ = stored.interval;
    // A stored interval that is none of the items stays as it is, with no item chosen.
    int chosen = -1;
    for (int i = 0; i < picker_->count(); ++i)
        if (picker_->itemData(i).toDouble() == interval_) chosen = i;
    picker_->setCurrentIndex(chosen);
    favorites_->setChecked(stored.favoritesOnly);
    animate_->setChecked(stored.animateArtwork);
}

void OmbriqScreenSaverConfigurationController::showEvent(QShowEvent* event) {
    // Every opening shows what is stored, not what a cancelled one left.
    loadFromSettings();
    done_->setFocus();
    QDialog::showEvent(event);
}

void OmbriqScreenSaverConfigurationController::saveAndClose() {
    saveScreenSaverSettings(*settings_, interval_, favoritesOnly(), animateArtwork());
    accept();
}

void OmbriqScreenSaverConfigurationController::closeConfigurationSheet() { reject(); }

}  // namespace glimora
