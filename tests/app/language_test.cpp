// SPDX-License-Identifier: MIT
// On a Russian system Qt's own parts of the window speak Russian: the save
// dialog, its question before replacing a file and the buttons of message
// boxes. The test sets the system's language itself, before the application
// starts, so it needs no locale installed on the machine.

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdlib>
#include <memory>

#include "app/tform1.h"
#include "app/tonvell_application.h"
#include "test_support.h"

using tonvell::test::WhenModal;
using tonvell::test::WriteFile;

namespace {

// A button's text as the user reads it: without the "&" of its shortcut.
QString Shown(const QAbstractButton* button) {
    return button ? QString(button->text()).remove(QLatin1Char('&')) : QString();
}

QStringList ButtonTexts(const QDialogButtonBox* box) {
    QStringList texts;
    if (box) {
        for (const QAbstractButton* button : box->buttons()) {
            texts << Shown(button);
        }
    }
    texts.sort();
    return texts;
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void saveDialogAndQuestionInRussian();
};

void LanguageTest::saveDialogAndQuestionInRussian() {
    QCOMPARE(QLocale::system().language(), QLocale::Russian);
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.inc"));
    WriteFile(existing, "old");
    TForm1 form{tonvell::playback::SoundBackends{}};
    form.SetSaveDialogRunner(std::make_unique<tonvell::app::QtSaveDialogRunner>(true));
    form.show();

    QStringList dialogButtons;
    QStringList types;
    QStringList questionButtons;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        dialogButtons = ButtonTexts(dialog->findChild<QDialogButtonBox*>());
        if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < combo->count(); ++i) {
                types << combo->itemText(i);
            }
        }
        WhenModal<QMessageBox>([&, dialog](QMessageBox* question) {
            for (QAbstractButton* button : question->buttons()) {
                questionButtons << Shown(button);
            }
            questionButtons.sort();
            question->button(QMessageBox::No)->click();
            QTimer::singleShot(50, dialog, [dialog] { dialog->reject(); });
        });
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(existing);
        }
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    });
    QTest::mouseClick(form.Button3, Qt::LeftButton);

    QCOMPARE(dialogButtons, QStringList({"Отмена", "Сохранить"}));
    QCOMPARE(types, QStringList({"Файлы *.inc", "Файлы *.zum", "Файлы *.txt", "Все файлы"}));
    // A message box's buttons (Russian keeps "OK" as it is).
    QCOMPARE(questionButtons, QStringList({"Да", "Нет"}));
    QCOMPARE(tonvell::test::ReadFile(existing), QByteArray("old"));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A Russian system, as LANG says it to Qt, whatever locales are installed.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) {
        qunsetenv(name);
    }
    qputenv("LANG", "ru_RU.UTF-8");
    tonvell::app::TonvellApplication app(argc, argv);
    LanguageTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "language_test.moc"
