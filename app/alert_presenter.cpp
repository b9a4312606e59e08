#include "app/alert_presenter.hpp"

#include <QMessageBox>

namespace glimora {

namespace {

QString paragraph(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return {};
    return QStringLiteral("<p style=\"margin:0\">") + trimmed.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
           QStringLiteral("</p>");
}

// The next quoted part at or after `from`, a pair of “” or of "": the index
// of its opening quote and one past its closing one.
std::pair<qsizetype, qsizetype> nextQuoted(const QString& text, qsizetype from) {
    const qsizetype curly = text.indexOf(QChar(0x201C), from);
    const qsizetype straight = text.indexOf(QLatin1Char('"'), from);
    const bool useCurly = curly >= 0 && (straight < 0 || curly < straight);
    const qsizetype open = useCurly ? curly : straight;
    if (open < 0) return {-1, -1};
    const qsizetype close = text.indexOf(useCurly ? QChar(0x201D) : QChar(QLatin1Char('"')), open + 1);
    if (close < 0) return {-1, -1};
    return {open, close + 1};
}

}  // namespace

QString alertTextHtml(const std::string& text) {
    const QString plain = QString::fromStdString(text);
    QString html;
    qsizetype at = 0;  // the start of what is not yet in `html`
    qsizetype from = 0;
    while (from < plain.size()) {
        const auto [open, close] = nextQuoted(plain, from);
        if (open < 0) break;
        from = close;
        const QString quoted = plain.mid(open, close - open);
        // A quoted name stays in the sentence; a command has a hyphen.
        if (!quoted.contains(QLatin1Char('-'))) continue;
        html += paragraph(plain.mid(at, open - at));
        // A paragraph whose line is never broken (Qt's "pre" white space).
        // On a line of its own the command needs no quotes to set it off,
        // and a copied line is exactly what is to be typed.
        html += QStringLiteral("<p style=\"white-space:pre; margin:6px 0 6px 12px\">") +
                quoted.mid(1, quoted.size() - 2).toHtmlEscaped() + QStringLiteral("</p>");
        at = close;
        // The sentence's full stop after the command would stand alone.
        if (at < plain.size() && plain[at] == QLatin1Char('.') &&
            (at + 1 == plain.size() || plain[at + 1].isSpace()))
            ++at;
    }
    html += paragraph(plain.mid(at));
    return QStringLiteral("<qt>") + html + QStringLiteral("</qt>");
}

std::unique_ptr<QMessageBox> MessageBoxAlertPresenter::makeAlert(const std::string& messageText,
                                                                 const std::string& informativeText) {
    auto alert = std::make_unique<QMessageBox>();
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(QStringLiteral("Glimora"));
    alert->setText(QString::fromStdString(messageText));
    alert->setInformativeText(alertTextHtml(informativeText));
    alert->setStandardButtons(QMessageBox::Ok);
    alert->setDefaultButton(QMessageBox::Ok);
    return alert;
}

void MessageBoxAlertPresenter::runModal(const std::string& messageText, const std::string& informativeText) {
    makeAlert(messageText, informativeText)->exec();
}

}  // namespace glimora
