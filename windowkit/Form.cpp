#include "Form.h"

#include "AppIcon.h"
#include "twips.h"

#include <QWidget>

namespace quarnel::form {

namespace {

constexpr int FontPointSize = 8;

} // namespace

void SetUp(QWidget& window, const QString& caption, int widthTwips, int heightTwips) {
    window.setWindowTitle(caption);
    window.setWindowIcon(AppIcon());
    QFont text = window.font();
    text.setPointSize(FontPointSize);
    window.setFont(text);
    window.resize(twips::ToPixels(widthTwips), twips::ToPixels(heightTwips));
}

void PlaceControls(std::initializer_list<Place> places) {
    for (const Place& p : places)
        p.control->setGeometry(twips::Rect(p.left, p.top, p.width, p.height));
}

void SetTabOrder(std::initializer_list<QWidget*> order) {
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

QStringView TrimSpaces(QStringView s) {
    while (!s.isEmpty() && s.front() == u' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

} // namespace quarnel::form
