// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the User's Guide: its HTML source set as a PDF with Qt's own writer, at build time.
// Usage: korvel-make-guide SOURCE.html TARGET.pdf
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: korvel-make-guide SOURCE.html TARGET.pdf\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument guide;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10.5);
    guide.setDefaultFont(font);
    guide.setDefaultStyleSheet(QStringLiteral("h1 { font-size: 22pt; } h2 { font-size: 14pt; margin-top: 14px; } "
                                              "p, li { line-height: 130%; } pre { font-size: 9pt; }"));
    guide.setHtml(QString::fromUtf8(source.readAll()));
    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setTitle(QStringLiteral("Korvel User's Guide"));
    pdf.setCreator(QStringLiteral("Korvel"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(22, 20, 22, 20),
                                  QPageLayout::Millimeter));
    pdf.setResolution(300);
    guide.print(&pdf);
    return 0;
}
