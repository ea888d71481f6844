#include "widgets/TemplateBuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStringList>
#include <QTreeView>
#include <QWidget>

#include "widgets/DialogUnits.h"
#include "widgets/MySizingWnd.h"

namespace {

bool IsClass(const ControlTemplate& control, const char* name) {
    return QString::fromUtf8(control.className).compare(QLatin1String(name), Qt::CaseInsensitive) ==
           0;
}

QString Text(const ControlTemplate& control) {
    return QString::fromUtf8(control.text);
}

Qt::Alignment HorizontalAlignment(std::uint32_t style) {
    // SS_CENTER/ES_CENTER and SS_RIGHT/ES_RIGHT share their values.
    switch (style & 0x3u) {
        case ES_CENTER:
            return Qt::AlignHCenter;
        case ES_RIGHT:
            return Qt::AlignRight;
        default:
            return Qt::AlignLeft;
    }
}

QWidget* MakeStatic(const ControlTemplate& control, QWidget* dlg, const QRect& geometry) {
    auto* label = new QLabel(dlg);
    if ((control.style & SS_TYPEMASK) == SS_ICON) {
        const QIcon icon(IconResourcePath(control.iconId));
        const int side = qMin(geometry.width(), geometry.height());
        label->setPixmap(icon.pixmap(QSize(side, side)));
        label->setAlignment((control.style & SS_CENTERIMAGE) != 0 ? Qt::AlignCenter
                                                                  : Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    label->setText(Text(control));
    label->setWordWrap(true);
    label->setAlignment(HorizontalAlignment(control.style) | Qt::AlignTop);
    return label;
}

QWidget* MakeEdit(const ControlTemplate& control, QWidget* dlg) {
    const bool readOnly = (control.style & ES_READONLY) != 0;
    if ((control.style & ES_MULTILINE) != 0) {
        auto* edit = new QPlainTextEdit(dlg);
        edit->setPlainText(Text(control));
        edit->setReadOnly(readOnly);
        edit->setLineWrapMode((control.style & ES_AUTOHSCROLL) != 0 ? QPlainTextEdit::NoWrap
                                                                    : QPlainTextEdit::WidgetWidth);
        if ((control.style & WS_BORDER) == 0) {
            edit->setFrameShape(QFrame::NoFrame);
        }
        return edit;
    }
    auto* edit = new QLineEdit(Text(control), dlg);
    edit->setReadOnly(readOnly);
    edit->setAlignment(HorizontalAlignment(control.style) | Qt::AlignVCenter);
    edit->setFrame((control.style & WS_BORDER) != 0);
    if ((control.style & ES_NUMBER) != 0) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

QWidget* MakeListView(const ControlTemplate& control, QWidget* dlg) {
    auto* view = new QTreeView(dlg);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSortingEnabled(false);
    view->setHeaderHidden((control.style & LVS_REPORT) == 0);
    view->header()->setSectionsClickable((control.style & LVS_NOSORTHEADER) == 0);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode((control.style & LVS_SINGLESEL) != 0
                               ? QAbstractItemView::SingleSelection
                               : QAbstractItemView::ExtendedSelection);
    if ((control.style & WS_BORDER) == 0) {
        view->setFrameShape(QFrame::NoFrame);
    }
    return view;
}

}  // namespace

QFont TemplateFont(const DialogTemplate& tpl) {
    const QString face = QString::fromUtf8(tpl.fontFace);
    QFont font;
    if (face == QLatin1String("MS Shell Dlg")) {
        font.setFamilies({QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    } else if (face == QLatin1String("Garamond")) {
        font.setFamilies({face, QStringLiteral("EB Garamond")});
    } else {
        font.setFamilies({face});
    }
    font.setPointSize(tpl.pointSize);
    font.setWeight(tpl.weight > 0 ? static_cast<QFont::Weight>(tpl.weight) : QFont::Normal);
    return font;
}

QMap<int, QWidget*> BuildControls(QWidget* dlg, const DialogTemplate& tpl) {
    const QFont font = TemplateFont(tpl);
    dlg->setFont(font);
    dlg->setWindowTitle(QString::fromUtf8(tpl.caption));
    const DialogBaseUnits base = BaseUnitsOfFont(font);
    dlg->resize(DialogSizeToPixels(tpl.cx, tpl.cy, base));

    QMap<int, QWidget*> byId;
    QWidget* previous = nullptr;
    QButtonGroup* radioGroup = nullptr;
    bool defaultTaken = false;
    for (const ControlTemplate& control : tpl.controls) {
        const QRect geometry =
            DialogRectToPixels(control.x, control.y, control.cx, control.cy, base);
        const std::uint32_t buttonType = control.style & BS_TYPEMASK;
        // A WS_GROUP control starts a new group; auto radio buttons are
        // exclusive within their group only.
        if ((control.style & WS_GROUP) != 0) {
            radioGroup = nullptr;
        }

        QWidget* widget = nullptr;
        if (IsClass(control, "Button") && buttonType == BS_GROUPBOX) {
            widget = new QGroupBox(Text(control), dlg);
        } else if (IsClass(control, "Button") && buttonType == BS_AUTOCHECKBOX) {
            widget = new QCheckBox(Text(control), dlg);
        } else if (IsClass(control, "Button") && buttonType == BS_AUTORADIOBUTTON) {
            auto* radio = new QRadioButton(Text(control), dlg);
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(dlg);
            }
            radio->setAutoExclusive(false);
            radioGroup->addButton(radio);
            widget = radio;
        } else if (IsClass(control, "Button") || IsClass(control, "MfcMenuButton")) {
            auto* button = new QPushButton(Text(control), dlg);
            // Only one button can be the default; the first wins, as the
            // first one is also where the focus starts.
            if (buttonType == BS_DEFPUSHBUTTON && !defaultTaken) {
                button->setDefault(true);
                defaultTaken = true;
            }
            widget = button;
        } else if (IsClass(control, "Static")) {
            widget = MakeStatic(control, dlg, geometry);
        } else if (IsClass(control, "Edit")) {
            widget = MakeEdit(control, dlg);
        } else if (IsClass(control, "SysListView32")) {
            widget = MakeListView(control, dlg);
        } else {
            widget = new QWidget(dlg);
        }

        widget->setObjectName(QStringLiteral("c%1").arg(control.id));
        widget->setProperty(kControlIdProperty, control.id);
        widget->setProperty(kTemplateClassProperty, QString::fromUtf8(control.className));
        widget->setFont(font);
        widget->setGeometry(geometry);
        widget->setEnabled((control.style & WS_DISABLED) == 0);
        if ((control.style & WS_VISIBLE) == 0) {
            widget->setVisible(false);
        }
        if ((control.style & WS_TABSTOP) == 0 && widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
        if (control.id != kNoControlId) {
            byId.insert(control.id, widget);
        }
    }
    return byId;
}
