// The alerts' text: commands and paths in it are never broken over two lines.
#include "app/alert_presenter.hpp"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "app/app_delegate.hpp"
#include "tests/shell/qt_application.hpp"

namespace glimora {
namespace {

// The lines the text of a label of this font and width is laid out in.
std::vector<QString> laidOutLines(const QString& html, const QFont& font, int width) {
    QTextDocument document;
    document.setDefaultFont(font);
    document.setHtml(html);
    document.setTextWidth(width);
    document.documentLayout()->documentSize();
    std::vector<QString> lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            lines.push_back(block.text().mid(line.textStart(), line.textLength()).trimmed());
        }
    }
    return lines;
}

TEST(AlertText, AQuotedCommandHasALineOfItsOwnAtEveryWidthWithoutItsQuotes) {
    const std::string text =
        "Add the line \u201C\"Ombriq\" ombriq-saver --root\u201D to the programs in ~/.xscreensaver, then "
        "choose \"Ombriq\" there. Or run \"ombriq-saver --configure\".";
    // The line is exactly what is typed: the quotes that set the command off
    // in the sentence go, the ones it holds stay.
    const QString command = QStringLiteral("\"Ombriq\" ombriq-saver --root");
    const QString html = alertTextHtml(text);
    QTextDocument copy;
    copy.setHtml(html);
    EXPECT_EQ(copy.toPlainText(), QStringLiteral("Add the line\n") + command +
                                      QStringLiteral("\nto the programs in ~/.xscreensaver, then choose \"Ombriq\" "
                                                     "there. Or run\nombriq-saver --configure"));

    QFont font;
    font.setPixelSize(13);
    for (int width = 60; width <= 700; width += 7) {
        SCOPED_TRACE(width);
        const auto lines = laidOutLines(html, font, width);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), command), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), QStringLiteral("ombriq-saver --configure")), 1);
    }
}

TEST(AlertText, TheScreenSaverSetUpAlertShowsItsCommandOnALineOfItsOwn) {
    const auto alert =
        MessageBoxAlertPresenter::makeAlert(std::string(screenSaverSetupTitle), std::string(screenSaverSetupText));
    alert->show();
    ASSERT_TRUE(test::processEventsUntil([&] { return alert->isVisible(); }));
    const auto* label = alert->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    ASSERT_NE(label, nullptr);
    const auto lines = laidOutLines(label->text(), label->font(), label->contentsRect().width());
    EXPECT_GT(lines.size(), 2u);
    // The line that holds the command holds nothing else, and fits the label.
    const auto command = std::find_if(lines.begin(), lines.end(),
                                      [](const QString& line) { return line.contains(QStringLiteral("ombriq-")); });
    ASSERT_NE(command, lines.end());
    EXPECT_EQ(*command, QStringLiteral("\"Ombriq\" ombriq-saver --root"));
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(*command), label->contentsRect().width());
    alert->close();
}

}  // namespace
}  // namespace glimora
