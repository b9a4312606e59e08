// The "History" tab: names and saves the design, imports and exports recipe
// documents, shows the library's status and one RecipeRow per saved recipe.
// The rows follow the library in place: a row whose recipe did not change is
// kept as it is, a changed one is updated, and only new recipes get new rows.
#pragma once

#include <vector>

#include "editors/tab_editor.hpp"

class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace glimora {

class FittingLabel;
class NotchButton;
class RecipeRow;

class HistoryEditor : public TabEditor {
    Q_OBJECT

public:
    HistoryEditor(NotchViewModelBridge& bridge, const EditorInputs& inputs, QWidget* parent = nullptr);

    // The rows in the library's order.
    const std::vector<RecipeRow*>& rows() const { return rows_; }
    QLineEdit* nameField() const { return nameField_; }

protected:
    void inputsChanged() override;
    void modelChanged(const NotchViewModelBridge::PropSet& props) override;

private:
    void layOut();
    void save();
    void syncName();
    void syncStatus();
    void syncRows();

    QLineEdit* nameField_;
    NotchButton* saveButton_;
    QLabel* note_;
    FittingLabel* status_;
    QWidget* emptyState_;
    QWidget* list_;
    QVBoxLayout* listLayout_;
    std::vector<RecipeRow*> rows_;
};

}  // namespace glimora
