#include "dialogs/TFDlgYesNo.h"

#include "desktop/WindowDecorations.h"
#include "dialogs/ApplicationTitle.h"
#include "dialogs/WindowPlacement.h"
#include "widgets/Artwork.h"
#include "widgets/PixelFont.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

TFDlgYesNo::TFDlgYesNo(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setFixedSize(222, 94);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    setAutoFillBackground(true);

    Label1 = new QLabel(QStringLiteral("?"), this);
    Label1->setGeometry(40, 6, 169, 49);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    Icon = new QLabel(this);
    Icon->setGeometry(4, 14, 32, 32);
    Icon->setPixmap(Artwork(QStringLiteral("question_bubble"), QSize(32, 32)));

    OKBtn = new QPushButton(QStringLiteral("Ja"), this);
    OKBtn->setGeometry(39, 60, 75, 25);
    CancelBtn = new QPushButton(QStringLiteral("Nein"), this);
    CancelBtn->setGeometry(135, 60, 75, 25);
    // Neither is a default button: Return presses whichever has the focus.
    for (QPushButton *button : {OKBtn, CancelBtn}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(OKBtn, CancelBtn);
    connect(OKBtn, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(this, &QDialog::finished, this, [this] {
        if (QPushButton *focused = qobject_cast<QPushButton *>(focusWidget()))
            lastFocus_ = focused;
    });

    FormCreate();
}

void TFDlgYesNo::FormCreate()
{
    setWindowTitle(ApplicationTitle());
}

void TFDlgYesNo::FormShow()
{
    CenterOverParent(this);
    // Return answers with the focused button: mark it from the start, not
    // only after the first Tab.
    setAttribute(Qt::WA_KeyboardFocusChange);
    (lastFocus_ ? lastFocus_ : OKBtn)->setFocus(Qt::OtherFocusReason);
}

void TFDlgYesNo::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    KeepDialogUnminimised(this, event);
}

void TFDlgYesNo::showEvent(QShowEvent *event)
{
    RequestDialogDecorations(this, true);
    QDialog::showEvent(event);
    FormShow();
}

void TFDlgYesNo::reject()
{
    // Escape and the close button answer "no" with the cancel result.
    done(mrCancel);
}

void TFDlgYesNo::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (QPushButton *focused = qobject_cast<QPushButton *>(focusWidget()))
            focused->click();
        return;
    case Qt::Key_Escape:
        CancelBtn->click();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}
