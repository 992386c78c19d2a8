// Radio buttons and check boxes that take a click anywhere in their
// rectangle, not only on the box and the caption's text: a short caption
// ("Fast", "Soft") leaves most of a control's area blank, and a click there
// must still choose it. Keyboard and assistive technology reach them as any
// radio button or check box.
#pragma once

#include <QCheckBox>
#include <QRadioButton>

namespace ferrule {

class WholeAreaRadioButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

class WholeAreaCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

}  // namespace ferrule
