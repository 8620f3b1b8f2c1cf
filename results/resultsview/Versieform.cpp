#include "Versieform.h"

#include "EnterKey.h"
#include "Twips.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

QString VersionText(int major, int minor)
{
    return QStringLiteral("Scorix Velmora 5\r\nversie %1.%2").arg(major).arg(minor);
}

QString VersionText()
{
    return VersionText(VELMORA_VERSION_MAJOR, VELMORA_VERSION_MINOR);
}

Versieform::Versieform(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Versieform"));
    EnterGoesToDefaultButton();
    setFont(formFont());
    setWindowTitle(QStringLiteral("Velmora 5 - Versie informatie"));
    setFixedSize(twips(3960), twips(3810));
    setSizeGripEnabled(false);

    frmFrame = new QGroupBox(this);
    frmFrame->setObjectName(QStringLiteral("frmFrame"));
    setTwipsGeometry(frmFrame, 120, 120, 3735, 3615);
    frmFrame->setAccessibleName(QStringLiteral("Versie informatie"));

    picVersie = new QLabel(frmFrame);
    picVersie->setObjectName(QStringLiteral("picVersie"));
    picVersie->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picVersie->setAlignment(Qt::AlignCenter);
    picVersie->setPixmap(QPixmap(QStringLiteral(":/versie/logo.gif")));
    picVersie->setAccessibleName(QStringLiteral("Logo Scorix Velmora 5"));
    setTwipsGeometry(picVersie, 750, 240, 2175, 1815);

    lblversieinfo = new QLabel(frmFrame);
    lblversieinfo->setObjectName(QStringLiteral("lblversieinfo"));
    lblversieinfo->setTextFormat(Qt::PlainText);
    lblversieinfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTwipsGeometry(lblversieinfo, 360, 2280, 2895, 495);

    cmdSluiten = new QPushButton(QStringLiteral("Sluiten"), frmFrame);
    cmdSluiten->setObjectName(QStringLiteral("cmdSluiten"));
    // Neither default nor cancel button: Enter and Esc leave the window open.
    cmdSluiten->setAutoDefault(false);
    cmdSluiten->setDefault(false);
    setTwipsGeometry(cmdSluiten, 240, 3000, 3135, 375);
    connect(cmdSluiten, &QPushButton::clicked, this, [this] { cmdSluiten_Click(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

    // Form_Load
    lblversieinfo->setText(VersionText());
}

void Versieform::cmdSluiten_Click()
{
    close();
}

void Versieform::keyPressEvent(QKeyEvent* event)
{
    // QDialog would close on Esc and press a default button on Enter; this window does neither.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
