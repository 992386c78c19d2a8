#include "panel/widgets/dialog_builder.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <set>

#include "core/resources/bar_drawing.h"
#include "panel/widgets/app_icon.h"
#include "panel/widgets/line_list_view.h"
#include "panel/widgets/whole_area_buttons.h"

namespace ferrule {
namespace {

QString Caption(const ControlTemplate& control) {
    return QString::fromUtf8(control.caption != nullptr ? control.caption : "");
}

// "&Open" -> "Open", "A && B" -> "A & B".
QString WithoutMnemonics(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'&') {
            plain.append(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == u'&') {
            plain.append(u'&');
            ++i;
        }
    }
    return plain;
}

bool TakesFocus(ControlKind kind) {
    return kind != ControlKind::Static && kind != ControlKind::GroupBox &&
           kind != ControlKind::Icon;
}

// A monospace font no taller than `height`, at the size of the dialog's font.
QFont BarFont(const QFont& dialogFont, int height) {
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setStyleHint(QFont::Monospace);
    if (dialogFont.pointSizeF() > 0) {
        mono.setPointSizeF(dialogFont.pointSizeF());
    } else {
        mono.setPixelSize(dialogFont.pixelSize());
    }
    int pixels = QFontInfo(mono).pixelSize();
    while (pixels > 6 && QFontMetricsF(mono).height() > height) {
        mono.setPixelSize(--pixels);
    }
    return mono;
}

// A character-drawn bar, stretched to fill its rectangle in a monospace font.
QLabel* CreateBar(const QString& pattern, const QRect& rect, QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont font = BarFont(parent->font(), rect.height());
    label->setFont(font);
    QFontMetricsF metrics(font);
    double cell = std::max(1.0, metrics.horizontalAdvance(QLatin1Char('-')));
    int columns = static_cast<int>(std::floor(rect.width() / cell));
    std::string bar = pattern.toStdString();
    QString text = QString::fromStdString(FitBarDrawing(bar, columns));
    while (columns > 1 && metrics.horizontalAdvance(text) > rect.width()) {
        text = QString::fromStdString(FitBarDrawing(bar, --columns));
    }
    label->setText(text);
    return label;
}

QLabel* CreateStatic(const ControlTemplate& control, const QRect& rect, QWidget* parent) {
    QString caption = Caption(control);
    QLabel* label = IsBarDrawing(control.caption != nullptr ? control.caption : "")
                        ? CreateBar(caption, rect, parent)
                        : new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment((control.style & kCentered) != 0 ? Qt::AlignCenter
                                                         : Qt::AlignLeft | Qt::AlignVCenter);
    if ((control.style & kBordered) != 0) {
        label->setFrameShape(QFrame::Box);
    }
    return label;
}

QLineEdit* CreateEdit(const ControlTemplate& control, QWidget* parent) {
    auto* edit = new QLineEdit(Caption(control), parent);
    if ((control.style & kReadOnly) != 0) {
        edit->setReadOnly(true);
        // A read-only field shows the dialog's background, so it reads as a display.
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edit->setPalette(palette);
    }
    if ((control.style & kCentered) != 0) {
        edit->setAlignment(Qt::AlignCenter);
    }
    return edit;
}

LineListView* CreateListBox(const ControlTemplate& control, QWidget* parent) {
    auto* list = new LineListView(parent);
    list->setVerticalScrollBarPolicy((control.style & kVScroll) != 0 ? Qt::ScrollBarAsNeeded
                                                                     : Qt::ScrollBarAlwaysOff);
    return list;
}

QComboBox* CreateDropDownList(const ControlTemplate& control, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->addItems(Caption(control).split(u'\n', Qt::SkipEmptyParts));
    combo->setCurrentIndex(-1);  // nothing selected until the program selects
    return combo;
}

QGroupBox* CreateGroupBox(const ControlTemplate& control, QWidget* parent) {
    auto* box = new QGroupBox(Caption(control), parent);
    // Only a frame: its controls are its siblings, and clicks go through it.
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

QLabel* CreateIcon(const QRect& rect, QWidget* parent) {
    auto* label = new QLabel(parent);
    int side = std::min(rect.width(), rect.height());
    label->setPixmap(AppIcon().pixmap(QSize(side, side)));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QWidget* CreateControl(const ControlTemplate& control, const QRect& rect, QWidget* parent) {
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(Caption(control), parent);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::RadioButton: {
            // Its button group makes it exclusive (and lets the exchange show
            // none checked); it stays auto-exclusive as well, since assistive
            // technology tells radio buttons from check boxes by that flag.
            return new WholeAreaRadioButton(Caption(control), parent);
        }
        case ControlKind::CheckBox:
            return new WholeAreaCheckBox(Caption(control), parent);
        case ControlKind::Edit:
            return CreateEdit(control, parent);
        case ControlKind::ListBox:
            return CreateListBox(control, parent);
        case ControlKind::DropDownList:
            return CreateDropDownList(control, parent);
        case ControlKind::Trackbar: {
            auto* slider = new QSlider(Qt::Horizontal, parent);
            slider->setRange(0, 100);
            return slider;
        }
        case ControlKind::Static:
            return CreateStatic(control, rect, parent);
        case ControlKind::GroupBox:
            return CreateGroupBox(control, parent);
        case ControlKind::Icon:
            return CreateIcon(rect, parent);
    }
    return new QWidget(parent);
}

// "ctl" and the id for controls with an id ("ctl1027" for
// kCtlOpenByDescription); a name made of the kind and the caption
// (or accessible name) for the others, unique within the dialog.
QString ObjectName(const ControlTemplate& control, std::set<QString>& used) {
    if (control.id != kNoId) {
        return QStringLiteral("ctl%1").arg(control.id);
    }
    QString prefix;
    switch (control.kind) {
        case ControlKind::GroupBox:
            prefix = QStringLiteral("group");
            break;
        case ControlKind::Icon:
            prefix = QStringLiteral("icon");
            break;
        default:
            prefix = IsBarDrawing(control.caption != nullptr ? control.caption : "")
                         ? QStringLiteral("bar")
                         : QStringLiteral("label");
            break;
    }
    QString words = control.accessibleName != nullptr ? QString::fromUtf8(control.accessibleName)
                                                      : Caption(control);
    QString stem;
    bool upper = true;
    for (QChar c : words) {
        if (c.isLetterOrNumber()) {
            stem.append(upper ? c.toUpper() : c);
            upper = false;
        } else {
            upper = true;
        }
    }
    QString name = stem.isEmpty() ? prefix : prefix + u'_' + stem;
    QString unique = name;
    for (int n = 2; used.count(unique) != 0; ++n) {
        unique = name + u'_' + QString::number(n);
    }
    used.insert(unique);
    return unique;
}

void SetAccessibility(const ControlTemplate& control, QWidget* widget) {
    if (control.accessibleName != nullptr) {
        widget->setAccessibleName(QString::fromUtf8(control.accessibleName));
    } else if ((control.style & kLiveText) == 0 && !Caption(control).isEmpty()) {
        widget->setAccessibleName(WithoutMnemonics(Caption(control)));
    }
    // A live text is left unnamed: its accessible name is then its current text.
    if (control.accessibleDescription != nullptr) {
        widget->setAccessibleDescription(QString::fromUtf8(control.accessibleDescription));
    }
}

// A label whose text is the accessible name of a control labels that control.
void SetBuddies(const DialogTemplate& dialog, const std::vector<QWidget*>& widgets) {
    std::map<QString, QWidget*> named;
    for (size_t i = 0; i < widgets.size(); ++i) {
        const ControlTemplate& control = dialog.controls[i];
        if (TakesFocus(control.kind) && control.accessibleName != nullptr) {
            named.emplace(QString::fromUtf8(control.accessibleName), widgets[i]);
        }
    }
    for (size_t i = 0; i < widgets.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(widgets[i]);
        if (label == nullptr || dialog.controls[i].kind != ControlKind::Static) {
            continue;
        }
        auto it = named.find(label->text());
        if (it != named.end()) {
            label->setBuddy(it->second);
        }
    }
}

// Group boxes go beneath everything, the largest lowest.
void LowerGroupBoxes(const DialogTemplate& dialog, const std::vector<QWidget*>& widgets) {
    std::vector<size_t> boxes;
    for (size_t i = 0; i < widgets.size(); ++i) {
        if (dialog.controls[i].kind == ControlKind::GroupBox) {
            boxes.push_back(i);
        }
    }
    auto area = [&](size_t i) {
        return static_cast<long>(dialog.controls[i].cx) * dialog.controls[i].cy;
    };
    std::stable_sort(boxes.begin(), boxes.end(),
                     [&](size_t a, size_t b) { return area(a) < area(b); });
    for (size_t i : boxes) {
        widgets[i]->lower();
    }
}

}  // namespace

DialogUnits DialogUnitsFor(const QFont& font) {
    QFontMetricsF metrics(font);
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    double average = metrics.horizontalAdvance(kAlphabet) / kAlphabet.size();
    return {average / 4.0, metrics.height() / 8.0};
}

QSize DialogPixelSize(const DialogTemplate& dialog, DialogUnits units) {
    return {static_cast<int>(std::lround(dialog.cx * units.x)),
            static_cast<int>(std::lround(dialog.cy * units.y))};
}

QRect DialogPixelRect(const ControlTemplate& control, DialogUnits units) {
    auto px = [](int du, double unit) { return static_cast<int>(std::lround(du * unit)); };
    int left = px(control.x, units.x);
    int top = px(control.y, units.y);
    int right = px(control.x + control.cx, units.x);
    int bottom = px(control.y + control.cy, units.y);
    return {left, top, right - left, bottom - top};
}

BuiltDialog BuildDialogControls(const DialogTemplate& dialog, QWidget* parent, DialogUnits units) {
    BuiltDialog built;
    std::vector<QWidget*> widgets;
    widgets.reserve(dialog.controls.size());
    std::set<QString> usedNames;
    QWidget* previousFocus = nullptr;
    bool previousWasRadio = false;

    for (const ControlTemplate& control : dialog.controls) {
        QRect rect = DialogPixelRect(control, units);
        QWidget* widget = CreateControl(control, rect, parent);
        widget->setObjectName(ObjectName(control, usedNames));
        widget->setGeometry(rect);
        SetAccessibility(control, widget);
        widgets.push_back(widget);
        if (control.id != kNoId) {
            built.controls[control.id] = widget;
        }

        if (TakesFocus(control.kind)) {
            if (previousFocus != nullptr) {
                QWidget::setTabOrder(previousFocus, widget);
            }
            previousFocus = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }

        // A radio group: a group start and the radios that follow it.
        bool isRadio = control.kind == ControlKind::RadioButton;
        if (isRadio) {
            if ((control.style & kGroupStart) != 0 || !previousWasRadio) {
                auto* group = new QButtonGroup(parent);
                group->setExclusive(true);
                built.radioGroups.push_back(group);
                built.radioGroupIds.emplace_back();
            }
            built.radioGroups.back()->addButton(static_cast<QRadioButton*>(widget), control.id);
            built.radioGroupIds.back().push_back(control.id);
        }
        previousWasRadio = isRadio;
    }

    SetBuddies(dialog, widgets);
    LowerGroupBoxes(dialog, widgets);
    return built;
}

}  // namespace ferrule
