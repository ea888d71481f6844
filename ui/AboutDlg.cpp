#include "ui/AboutDlg.h"

#include <QHideEvent>
#include <QIcon>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>

#include "engine/Version.h"
#include "resources/DialogTemplates.h"
#include "widgets/MySizingWnd.h"
#include "widgets/TemplateBuilder.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kIdLabel = 1017;

const ControlTemplate* FindControl(const DialogTemplate& tpl, int id) {
    for (const ControlTemplate& control : tpl.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    // A fixed frame with a caption and a close box, and nothing else.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(QIcon(IconResourcePath(kAppIconId)));

    const DialogTemplate& tpl = *FindDialogTemplate(kAboutTemplateId);
    const QMap<int, QWidget*> controls = BuildControls(this, tpl);
    setFixedSize(size());

    // The label takes the place of the static the template built for 1017: same
    // rectangle, id, styles and text, and the dialog font it inherits.
    QWidget* placeholder = controls.value(kIdLabel);
    const ControlTemplate* control = FindControl(tpl, kIdLabel);
    m_label = new CLabel(this);
    m_label->setObjectName(placeholder->objectName());
    m_label->setProperty(kControlIdProperty, kIdLabel);
    m_label->setProperty(kTemplateClassProperty, placeholder->property(kTemplateClassProperty));
    m_label->SetDlgCtrlID(kIdLabel);
    m_label->SetStyle(control->style);
    m_label->SetText(QString::fromUtf8(control->text));
    m_label->setGeometry(placeholder->geometry());
    delete placeholder;

    auto* ok = qobject_cast<QPushButton*>(controls.value(kIdOk));
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::OnOK);
}

QString CAboutDlg::AboutText() {
    return QStringList{
        QString::asprintf("Mollwick Ver. %s", kMollwickVersion),
        u"Contact: see the project's README"_s,
        u"Credits:"_s,
        u"SHA-1 code: the Mollwick developers (FIPS PUB 180-4)"_s,
    }
        .join(u'\n');
}

void CAboutDlg::OnShowWindow(bool /*bShow*/, unsigned /*nStatus*/) {
    m_label->SetTransparent(true);
    m_label->SetText(AboutText());
}

void CAboutDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    OnShowWindow(true, 0);
}

void CAboutDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    OnShowWindow(false, 0);
}

void CAboutDlg::OnOK() {
    accept();
}
