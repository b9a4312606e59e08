#include "platform/qt/qt_clipboard.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace glimora {

void QtClipboard::setPngData(std::vector<std::uint8_t> png) {
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"),
                  QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size())));
    // setMimeData replaces (and so clears) whatever the clipboard held.
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

}  // namespace glimora
