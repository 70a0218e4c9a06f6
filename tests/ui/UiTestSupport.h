// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers for the Qt tests: answering a modal window, and the windows left open.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Calls `act` with the modal window as soon as one is open, so that a test can look at and
// answer a real QMessageBox or QFileDialog while the code under test waits in exec().
inline void WhenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(modal);
        }
    });
    poll->start();
}

// Every test ends with no window left open.
inline QStringList VisibleTopLevels() {
    QStringList open;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) {
            open << widget->metaObject()->className();
        }
    }
    return open;
}
