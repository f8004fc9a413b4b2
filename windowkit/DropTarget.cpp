// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "DropTarget.h"

#include <QDropEvent>
#include <QWidget>

namespace quarnel {

namespace {

class DropFilter final : public QObject {
  public:
    DropFilter(QWidget& control, DropHandlers handlers)
        : QObject(&control), handlers_(std::move(handlers)) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            drag->acceptProposedAction(); // the effect stays what the source proposes
            Call(handlers_.dragOver,
                 event->type() == QEvent::DragEnter ? DragState::Enter : DragState::Over);
            return true;
        }
        case QEvent::DragLeave:
            event->accept();
            Call(handlers_.dragOver, DragState::Leave);
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->acceptProposedAction();
            if (const QMimeData* data = drop->mimeData())
                Call(handlers_.dragDrop, *data);
            return true;
        }
        default:
            return false;
        }
    }

  private:
    template <typename Handler, typename Argument>
    static void Call(const Handler& handler, const Argument& argument) {
        if (!handler)
            return;
        try {
            handler(argument);
        } catch (...) { // a drop reports nothing
        }
    }

    DropHandlers handlers_;
};

} // namespace

void OLEDropManual(QWidget& control, DropHandlers handlers) {
    control.setAcceptDrops(true);
    control.installEventFilter(new DropFilter(control, std::move(handlers)));
}

} // namespace quarnel
