// What every window of Quarnel sets up the same way: caption, icon, text
// size, client area and the places of its controls in twips, and the
// keyboard order.
#pragma once

#include <QString>
#include <QStringView>
#include <initializer_list>

class QWidget;

namespace quarnel::form {

// The caption, the tool's icon, text of eight points (the places in twips
// are made for it) and the client area, in twips.
void SetUp(QWidget& window, const QString& caption, int widthTwips, int heightTwips);

// A control's place in its window's client area, in twips.
struct Place {
    QWidget* control;
    int left, top, width, height;
};
void PlaceControls(std::initializer_list<Place> places);

// The keyboard order, first to last.
void SetTabOrder(std::initializer_list<QWidget*> order);

// The text less its leading and trailing spaces (spaces only, not all white
// space), as the windows test their inputs.
QStringView TrimSpaces(QStringView text);

} // namespace quarnel::form
