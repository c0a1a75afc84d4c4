// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own dialogs in Portuguese, ours unchanged: with Qt's pt_BR catalogue
// installed (Debian's qt6-translations-l10n), the file dialog speaks
// Portuguese while the confirmation, notice and error boxes keep their
// English captions and buttons and the windows look exactly as before.
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <functional>

#include "app/desktop.h"
#include "app/installation.h"
#include "app/novoproj.h"
#include "app/qtplatform.h"
#include "support/scriptedplatform.h"
#include "support/modal.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

const QLocale kBrazil(QLocale::Portuguese, QLocale::Brazil);

// Caption, then the button texts in alphabetical order.
QStringList CaptionAndButtons(QMessageBox* box) {
    QStringList buttons;
    for (QAbstractButton* b : box->buttons()) buttons << b->text();
    buttons.sort();
    return QStringList{box->windowTitle()} + buttons;
}

QString LabelText(QWidget* dialog, const char* name) {
    auto* label = dialog->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("(no %1)").arg(QLatin1String(name));
}

QImage Grab(QWidget& window) {
    window.show();
    QCoreApplication::processEvents();
    return window.grab().toImage();
}

}  // namespace

class TestTranslation : public QObject {
    Q_OBJECT

    QTranslator* translator_ = nullptr;
    QtPlatform platform_;

private slots:
    void initTestCase() {
        if (QtTranslationFile(kBrazil).isEmpty())
            QSKIP("Qt's pt_BR catalogue is not installed (Debian: qt6-translations-l10n)");
        translator_ = InstallQtTranslations(kBrazil);
        QVERIFY(translator_);
        QVERIFY(translator_->filePath().endsWith(QStringLiteral("qtbase_pt_BR.qm")));
    }

    void noCatalogueForALanguageQtDoesNotSpeak() {
        QVERIFY(QtTranslationFile(QLocale(QLocale::Zulu)).isEmpty());
        QVERIFY(!InstallQtTranslations(QLocale(QLocale::Zulu)));
    }

    void fileDialogSpeaksPortuguese() {
        FileDialogOptions options;
        options.Title = QStringLiteral("Abrir projeto");
        options.Filters = {QStringLiteral("Projeto (*.prj)")};
        QStringList seen;
        WhenModal([&](QWidget* w) {
            seen << w->windowTitle() << LabelText(w, "lookInLabel") << LabelText(w, "fileNameLabel")
                 << LabelText(w, "fileTypeLabel");
            if (auto* box = w->findChild<QDialogButtonBox*>())
                for (QAbstractButton* b : box->buttons()) seen << b->text();
            qobject_cast<QDialog*>(w)->reject();
        });
        QVERIFY(platform_.OpenFileName(nullptr, options).isEmpty());
        // Our title stays; Qt's labels and buttons are translated.
        QCOMPARE(seen, (QStringList{"Abrir projeto", "Procurar em:", "&Nome do arquivo:", "Arquivos do tipo:",
                                    "&Abrir", "Cancelar"}));
    }

    void confirmationBoxKeepsItsEnglishCaptionAndButtons() {
        QStringList seen;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            seen = CaptionAndButtons(box);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QLatin1String("&No")) b->click();
        });
        QCOMPARE(platform_.Confirm(nullptr, QStringLiteral("Deseja salvar o projeto corrente antes de prosseguir?")),
                 Answer::No);
        QCOMPARE(seen, (QStringList{"Confirm", "&No", "&Yes", "Cancel"}));
    }

    void noticeAndErrorBoxesKeepOK() {
        QStringList notice, error;
        WhenModal([&](QWidget* w) {
            notice = CaptionAndButtons(qobject_cast<QMessageBox*>(w));
            qobject_cast<QMessageBox*>(w)->buttons().first()->click();
        });
        platform_.Notice(nullptr, QStringLiteral("aviso"));
        WhenModal([&](QWidget* w) {
            error = CaptionAndButtons(qobject_cast<QMessageBox*>(w));
            qobject_cast<QMessageBox*>(w)->buttons().first()->click();
        });
        platform_.ShowError(nullptr, QStringLiteral("erro"));
        QCOMPARE(notice, (QStringList{"ZARN", "OK"}));
        QCOMPARE(error, (QStringList{"ZARN", "OK"}));
    }

    void windowsLookTheSameWithAndWithoutTheCatalogue() {
        ScriptedPlatform scripted;
        TDesktop desktop(scripted, TestDocument());
        TNovoProj novo(scripted, TestSession());
        const QImage desktopInPortuguese = Grab(desktop);
        const QImage novoInPortuguese = Grab(novo);
        QCoreApplication::removeTranslator(translator_);
        const QImage desktopAsBuilt = Grab(desktop);
        const QImage novoAsBuilt = Grab(novo);
        QCoreApplication::installTranslator(translator_);
        QVERIFY(!desktopAsBuilt.isNull());
        QVERIFY(desktopInPortuguese == desktopAsBuilt);
        QVERIFY(novoInPortuguese == novoAsBuilt);
    }
};

QTEST_MAIN(TestTranslation)
#include "test_translation.moc"
