#include "TestMain.h"
#include "app/CHelpViewer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

// chmlib's variable-length number: 7 bits a byte, the high bit on every byte but the last, padded
// with leading zero digits to `width` bytes.
QByteArray EncodedNumber(quint64 value, qsizetype width)
{
    QByteArray bytes(1, static_cast<char>(value & 0x7F));
    for (value >>= 7; value != 0 || bytes.size() < width; value >>= 7) {
        bytes.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    }
    return bytes;
}

qsizetype EncodedNumberWidth(const QByteArray& bytes, qsizetype at)
{
    qsizetype width = 1;
    while (static_cast<unsigned char>(bytes[at + width - 1]) & 0x80) {
        ++width;
    }
    return width;
}

// The test help file with its directory entry "/huge-entry-padding.bin" renamed "/huge.bin" and
// claiming a terabyte: the bytes the name gives up widen its length, so nothing else moves.
QString HelpFileWithHugeEntry(const QTemporaryDir& folder)
{
    QFile original(QStringLiteral(QIRV_TEST_HELP_FILE));
    if (!original.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = original.readAll();
    const QByteArray name = "/huge-entry-padding.bin";
    const QByteArray newName = "/huge.bin";
    const qsizetype entry = bytes.indexOf(char(name.size()) + name);
    if (entry < 0) {
        return {};
    }
    qsizetype at = entry + 1 + name.size();
    at += EncodedNumberWidth(bytes, at); // section
    at += EncodedNumberWidth(bytes, at); // offset
    const qsizetype lengthWidth = EncodedNumberWidth(bytes, at);
    const QByteArray placesAndOffset =
        bytes.mid(entry + 1 + name.size(), at - entry - 1 - name.size());
    const QByteArray patched =
        char(newName.size()) + newName + placesAndOffset +
        EncodedNumber(quint64(1) << 40, lengthWidth + name.size() - newName.size());
    bytes.replace(entry, at + lengthWidth - entry, patched);
    const QString path = folder.filePath(QStringLiteral("links.chm"));
    QFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size()) {
        return {};
    }
    return path;
}

} // namespace

class HelpViewerTest : public QObject
{
    Q_OBJECT

private slots:
    void link_showsOnlyEntriesOfTheHelpFile_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("shown");
        const int page = QTextDocument::HtmlResource;
        QTest::newRow("page") << "page.html" << page << QByteArray("<html><body><p>A page");
        QTest::newRow("picture") << "picture.png" << int(QTextDocument::ImageResource)
                                 << QByteArray("\x89PNG");
        QTest::newRow("up to the top") << "../page.html" << page << QByteArray("<html>");
        QTest::newRow("absolute path") << "/etc/hostname" << page << QByteArray();
        QTest::newRow("file URL") << "file:///etc/passwd" << page << QByteArray();
        QTest::newRow("endless device") << "/dev/zero" << page << QByteArray();
        QTest::newRow("up and out") << "../../../../etc/passwd" << page << QByteArray();
        QTest::newRow("host") << "//localhost/etc/passwd" << page << QByteArray();
        QTest::newRow("program resource")
            << "qrc:/icons/128-16.png" << int(QTextDocument::ImageResource) << QByteArray();
        QTest::newRow("web") << "https://qirv.zelbrane.com/" << page << QByteArray();
        QTest::newRow("entry claiming a terabyte") << "huge.bin" << page << QByteArray();
    }

    void link_showsOnlyEntriesOfTheHelpFile()
    {
        QFETCH(QString, link);
        QFETCH(int, type);
        QFETCH(QByteArray, shown);
        QTemporaryDir folder;
        std::unique_ptr<ChmFile> help = ChmFile::Open(HelpFileWithHugeEntry(folder));
        QVERIFY(help);
        CHelpBrowser browser(std::move(help));
        browser.setSource(QUrl(QStringLiteral("/index.html")));
        QVERIFY(browser.toPlainText().contains("Links"));
        // As a click on the link in the page asks for it.
        const QUrl target = browser.source().resolved(QUrl(link));
        const QByteArray content =
            static_cast<QTextBrowser&>(browser).loadResource(type, target).toByteArray();
        QVERIFY2(shown.isEmpty() ? content.isEmpty() : content.startsWith(shown),
                 content.left(80).constData());
    }
};

QIRV_TEST(HelpViewerTest);
#include "HelpViewerTest.moc"
