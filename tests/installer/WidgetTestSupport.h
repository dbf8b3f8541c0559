// WidgetTestSupport.h -- helpers for driving modal Qt dialogs from the widget tests.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ks::inst::test {

extern QString TestHome;

// Types Text into W one character at a time, as the keyboard would deliver it (any character,
// not only those with a key code).
inline void TypeText(QWidget* W, const QString& Text) {
    for (const QChar C : Text) {
        QKeyEvent Press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(C));
        QCoreApplication::sendEvent(W, &Press);
        QKeyEvent Release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(C));
        QCoreApplication::sendEvent(W, &Release);
    }
}

// Calls Act on the first modal widget that shows up (polling the event loop), once.
inline void WhenModalShows(std::function<void(QWidget*)> Act) {
    auto* T = new QTimer;
    T->setInterval(10);
    QObject::connect(T, &QTimer::timeout, [T, Act] {
        if (QWidget* M = QApplication::activeModalWidget()) {
            T->stop();
            T->deleteLater();
            Act(M);
        }
    });
    T->start();
}

// Answers every message box while it lives, recording each text: Ignore when the box offers it,
// else OK, else the box is closed.
class TBoxAnswerer {
public:
    QStringList Texts;
    QStringList Titles;
    explicit TBoxAnswerer() {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (auto* B = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                if (B->property("answered").toBool())
                    return;
                B->setProperty("answered", true);
                Texts << B->text();
                Titles << B->windowTitle();
                QMetaObject::invokeMethod(
                    B,
                    [B] {
                        for (auto Std : {QMessageBox::Ignore, QMessageBox::Ok})
                            if (QAbstractButton* Btn = B->button(Std)) {
                                Btn->click();
                                return;
                            }
                        B->reject();
                    },
                    Qt::QueuedConnection);
            }
        });
        FTimer.start(10);
    }

private:
    QTimer FTimer;
};

} // namespace ks::inst::test
