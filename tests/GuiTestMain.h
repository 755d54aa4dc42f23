// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// main() of a suite that starts the desktop program: its settings, its single-instance guard and the files it opens
// live in folders of the suite's own, so suites running side by side never meet, and the user's own settings are
// never touched.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

template <class TestClass> int RunGuiTest(int argc, char** argv) {
    QTemporaryDir home;
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QApplication app(argc, argv);
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

#define KORVEL_GUI_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char** argv) {                                                                                  \
        return RunGuiTest<TestClass>(argc, argv);                                                                      \
    }
