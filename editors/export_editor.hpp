// The "Output" tab: the export's format and size, the output folder, and
// Export and Copy, whose labels are the model's status texts.
#pragma once

#include <array>

#include "editors/tab_editor.hpp"

namespace glimora {

class ExportChoice;
class NotchButton;

class ExportEditor : public TabEditor {
    Q_OBJECT

public:
    ExportEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    // max(0, (w - 8) / 2), max(0, (w - 16) / 3), max(0, (w - 6) / 2).
    static double halfWidth(double availableWidth);
    static double thirdWidth(double availableWidth);
    static double copyWidth(double availableWidth);

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;
    // The output folder may have gone from disk while the tab was hidden.
    void showEvent(QShowEvent* event) override;

private:
    void layOut();
    void sync();

    std::array<ExportChoice*, 2> formatChips_{};
    std::array<ExportChoice*, 3> resolutionChips_{};
    NotchButton* folderButton_;
    NotchButton* exportButton_;
    NotchButton* copyButton_;
};

}  // namespace glimora
