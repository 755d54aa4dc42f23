// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// The program's folders stand on floors; a file may include headers of its own floor and of the floors under it,
// never above. The build enforces the same with one include root per floor; this test says which file went wrong.
namespace {

// Which folders a file of each folder may include from.
const QHash<QString, QStringList>& Allowed() {
    static const QStringList base{"base", "resources"};
    static const QStringList model = base + QStringList{"model"};
    static const QStringList storage = model + QStringList{"storage"};
    static const QStringList document = storage + QStringList{"document"};
    static const QStringList widgets = document + QStringList{"widgets"};
    static const QStringList dialogs = widgets + QStringList{"dialogs"};
    static const QStringList views = dialogs + QStringList{"views"};
    static const QHash<QString, QStringList> allowed{
        {"base", base},
        {"resources", base},
        {"model", model},
        {"storage", storage},
        {"document", document},
        {"widgets", widgets},
        {"dialogs", dialogs},
        {"views", views},
        {"app", views + QStringList{"app"}},
        {"cli", document + QStringList{"cli"}},
    };
    return allowed;
}

// "file: includes folder/header" for every include of a project folder that the file's floor may not see.
QStringList UpwardIncludes(const QString& sourceRoot) {
    static const QRegularExpression include(R"(^\s*#\s*include\s*"([A-Za-z_]+)/([^"]+)\")",
                                            QRegularExpression::MultilineOption);
    QStringList found;
    QDirIterator it(sourceRoot, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(sourceRoot).relativeFilePath(path);
        const QString folder = relative.section('/', 0, 0);
        if (!Allowed().contains(folder) || relative.startsWith("resources/korvelres/"))
            continue; // the resource library is a program of its own
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {relative + ": cannot be read"};
        const QString text = QString::fromUtf8(file.readAll());
        for (auto match = include.globalMatch(text); match.hasNext();) {
            const auto m = match.next();
            const QString target = m.captured(1);
            if (Allowed().contains(target) && !Allowed()[folder].contains(target))
                found << relative + ": includes " + target + "/" + m.captured(2);
        }
    }
    return found;
}

void WriteSource(const QString& path, const QByteArray& text) {
    QDir().mkpath(path.section('/', 0, -2));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class TestIncludeFloors : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programIncludesOnlyDownward();
    void upwardIncludeIsFound_data();
    void upwardIncludeIsFound();
};

void TestIncludeFloors::programIncludesOnlyDownward() {
    const QString root = QStringLiteral(KORVEL_TEST_SOURCE "/../src");
    QVERIFY(QFileInfo(root + "/document").isDir());
    const QStringList upward = UpwardIncludes(root);
    QVERIFY2(upward.isEmpty(), qPrintable(upward.join('\n')));
}

void TestIncludeFloors::upwardIncludeIsFound_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("upward");
    QTest::newRow("model includes the document")
        << "model/CCard.cpp" << QByteArray("#include \"document/CWallet.h\"\n") << true;
    QTest::newRow("base includes the model")
        << "base/Utilities.h" << QByteArray("  #  include \"model/CCard.h\"\n") << true;
    QTest::newRow("dialog includes the main window")
        << "dialogs/CDlgFind.cpp" << QByteArray("#include \"views/CMainFrame.h\"\n") << true;
    QTest::newRow("command line includes a widget")
        << "cli/CmdShow.cpp" << QByteArray("#include \"widgets/CIconCache.h\"\n") << true;
    QTest::newRow("string table includes storage")
        << "resources/StringTable.cpp" << QByteArray("#include \"storage/CompoundFile.h\"\n") << true;
    QTest::newRow("view includes a dialog")
        << "views/CMainFrame.cpp" << QByteArray("#include \"dialogs/CDlgFind.h\"\n") << false;
    QTest::newRow("document includes storage and base")
        << "document/CWallet.cpp" << QByteArray("#include \"storage/CompoundFile.h\"\n#include \"base/Clock.h\"\n")
        << false;
    QTest::newRow("system and local headers")
        << "model/CCard.cpp" << QByteArray("#include <QString>\n#include \"CCard.h\"\n") << false;
    QTest::newRow("commented out") << "model/CCard.cpp" << QByteArray("// #include \"views/CMainFrame.h\"\n") << false;
}

void TestIncludeFloors::upwardIncludeIsFound() {
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(bool, upward);
    QTemporaryDir root;
    WriteSource(root.filePath(file), text);
    const QStringList found = UpwardIncludes(root.path());
    QCOMPARE(found.size(), upward ? 1 : 0);
    if (upward)
        QVERIFY(found.first().startsWith(file + ": includes "));
}

QTEST_GUILESS_MAIN(TestIncludeFloors)
#include "TestIncludeFloors.moc"
