// SPDX-License-Identifier: GPL-3.0-or-later
// The program icon compiled into the desktop program: every size the desktop asks for, each a real picture.
#include "views/CProgramIcon.h"

#include <QApplication>
#include <QImage>
#include <QTest>

class TestGuiProgramIcon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everySizeIsAPicture_data() {
        QTest::addColumn<int>("size");
        for (const int size : {16, 32, 48, 64, 128, 256})
            QTest::addRow("%d px", size) << size;
    }

    void everySizeIsAPicture() {
        QFETCH(int, size);
        const QIcon icon = CProgramIcon::ProgramIcon();
        QVERIFY(icon.availableSizes().contains(QSize(size, size)));
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), QSize(size, size));
        // Mostly drawn, not a blank or a sliver: the picture fills much of its square.
        int drawn = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x)
                drawn += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
        QVERIFY2(drawn > size * size / 3, qPrintable(QString::number(drawn)));
    }
};

QTEST_MAIN(TestGuiProgramIcon)
#include "TestGuiProgramIcon.moc"
