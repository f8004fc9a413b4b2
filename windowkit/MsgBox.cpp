#include "MsgBox.h"

#include <QMessageBox>

namespace quarnel {

namespace {

MsgBoxHandler& Handler() {
    static MsgBoxHandler handler;
    return handler;
}

} // namespace

void SetMsgBoxHandler(MsgBoxHandler handler) {
    Handler() = std::move(handler);
}

MsgBoxResult MsgBox(QWidget* parent, const QString& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                    const QString& title) {
    if (Handler())
        return Handler()(prompt, buttons, icon, title);
    QMessageBox box(icon == MsgBoxIcon::Exclamation ? QMessageBox::Warning
                                                    : QMessageBox::Information,
                    title, QString(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    buttons == MsgBoxButtons::OKCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                       : QMessageBox::Ok,
                    // Qt centres a box over its parent even before the parent
                    // is shown, which puts it in the screen's corner; without
                    // one it centres on the screen.
                    parent != nullptr && parent->isVisible() ? parent : nullptr);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Cancel ? MsgBoxResult::Cancel : MsgBoxResult::OK;
}

} // namespace quarnel
