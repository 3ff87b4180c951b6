#include "ClipboardPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

bool ClipboardPasteboard::setString(const QString& text)
{
    if (!qGuiApp) {
        return false;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    auto* data = new QMimeData;
    data->setText(text);
    clipboard->setMimeData(data);
    const QMimeData* now = clipboard->mimeData();
    return now && now->hasText() && now->text() == text;
}

std::optional<QString> ClipboardPasteboard::string() const
{
    if (!qGuiApp) {
        return std::nullopt;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) {
        return std::nullopt;
    }
    return data->text();
}
