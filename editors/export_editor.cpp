#include "editors/export_editor.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "controls/notch_button.hpp"
#include "editors/editor_layout.hpp"
#include "controls/toggles.hpp"

namespace glimora {

namespace {

using Prop = NotchViewModel::Prop;

QString formatTitle(ExportFormat format) {
    return format == ExportFormat::png ? QStringLiteral("PNG") : QStringLiteral("SVG");
}

QString resolutionTitle(ExportResolution resolution) {
    switch (resolution) {
    case ExportResolution::hd: return QStringLiteral("1080p");
    case ExportResolution::fourK: return QStringLiteral("4K");
    case ExportResolution::sixK: return QStringLiteral("6K");
    }
    return {};
}

}  // namespace

double ExportEditor::halfWidth(double availableWidth) { return std::max(0.0, (availableWidth - 8) / 2); }
double ExportEditor::thirdWidth(double availableWidth) { return std::max(0.0, (availableWidth - 16) / 3); }
double ExportEditor::copyWidth(double availableWidth) { return std::max(0.0, (availableWidth - 6) / 2); }

ExportEditor::ExportEditor(NotchViewModelBridge& bridge, const EditorInputs& layoutInputs, QWidget* parent)
    : TabEditor(bridge, layoutInputs, parent) {
    NotchViewModel& m = model();
    QVBoxLayout* column = editorColumn(this, 12);

    QHBoxLayout* formats = addEditorRow(column, 8);
    for (const ExportFormat format : {ExportFormat::png, ExportFormat::svg}) {
        auto* chip = new ExportChoice(
            formatTitle(format), [&m, format] { return m.exportFormat() == format; },
            [&m, format] { m.setExportFormat(format); }, this);
        chip->setAccessibleName(formatTitle(format));
        formats->addWidget(chip);
        formatChips_[std::size_t(format)] = chip;
    }
    formats->addStretch(1);

    QHBoxLayout* resolutions = addEditorRow(column, 8);
    for (const ExportResolution resolution : {ExportResolution::hd, ExportResolution::fourK, ExportResolution::sixK}) {
        auto* chip = new ExportChoice(
            resolutionTitle(resolution), [&m, resolution] { return m.exportResolution() == resolution; },
            [&m, resolution] { m.setExportResolution(resolution); }, this);
        chip->setAccessibleName(resolutionTitle(resolution));
        resolutions->addWidget(chip);
        resolutionChips_[std::size_t(resolution)] = chip;
    }
    resolutions->addStretch(1);

    folderButton_ = new NotchButton(NotchButton::Look::secondary, [&m] { m.chooseOutputFolder(); }, this);
    folderButton_->setSymbol(QStringLiteral("folder"), 11, FontWeight::medium);
    folderButton_->setTrailingSymbol(QStringLiteral("chevron.right"), 9, FontWeight::bold, 4);
    folderButton_->setContentAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    folderButton_->setSpacing(7);
    column->addWidget(folderButton_);

    QHBoxLayout* actions = addEditorRow(column, 6);
    exportButton_ = new NotchButton(NotchButton::Look::primary, [&m] { m.exportWithSavePanel(); }, this);
    exportButton_->setSymbol(QStringLiteral("arrow.down.to.line"), 10, FontWeight::semibold);
    exportButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    actions->addWidget(exportButton_, 1);
    copyButton_ = new NotchButton(NotchButton::Look::secondary, [&m] { m.copyToPasteboard(); }, this);
    actions->addWidget(copyButton_);

    layOut();
    sync();
}

void ExportEditor::inputsChanged() { layOut(); }

void ExportEditor::layOut() {
    const double width = std::max(0.0, inputs().availableWidth);
    setFixedWidth(int(width));
    for (ExportChoice* chip : formatChips_) chip->setFixedWidth(int(halfWidth(width)));
    for (ExportChoice* chip : resolutionChips_) chip->setFixedWidth(int(thirdWidth(width)));
    folderButton_->setFixedWidth(int(width));
    copyButton_->setFixedWidth(int(copyWidth(width)));
}

void ExportEditor::modelChanged(const NotchViewModelBridge::PropSet& props) {
    for (const Prop prop : {Prop::exportFormat, Prop::exportResolution, Prop::exportStatus, Prop::copyStatus,
                            Prop::outputFolderURL})
        if (NotchViewModelBridge::contains(props, prop)) return sync();
}

void ExportEditor::showEvent(QShowEvent* event) {
    TabEditor::showEvent(event);
    sync();
}

void ExportEditor::sync() {
    const NotchViewModel& m = model();
    for (ExportChoice* chip : formatChips_) chip->sync();
    for (ExportChoice* chip : resolutionChips_) chip->sync();
    // The label also follows a folder removed from disk, which no property announces.
    folderButton_->setText(QString::fromStdString(m.outputFolderLabel()));
    folderButton_->setAccessibleName(folderButton_->text());
    exportButton_->setText(QString::fromStdString(m.exportStatus()));
    exportButton_->setAccessibleName(QStringLiteral("Export"));
    copyButton_->setText(QString::fromStdString(m.copyStatus()));
    copyButton_->setAccessibleName(QStringLiteral("Copy"));
}

}  // namespace glimora
