#include "TestMain.h"
#include "text/CTextLineReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArrayList ReadAllLines(const QString& path)
{
    CTextLineReader reader(path.toStdString());
    QByteArrayList lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.append(QByteArray::fromStdString(line));
    }
    return lines;
}

QByteArray Utf16(const QString& text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
    for (const QChar unit : text) {
        const char high = static_cast<char>(unit.unicode() >> 8);
        const char low = static_cast<char>(unit.unicode() & 0xFF);
        bytes.append(littleEndian ? low : high);
        bytes.append(littleEndian ? high : low);
    }
    return bytes;
}

} // namespace

class TextLineReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
        QTest::newRow("one byte") << QByteArray("x") << QByteArrayList{"x"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
        QTest::newRow("lone LF, last line without end")
            << QByteArray("a\nb") << QByteArrayList{"a", "b"};
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QByteArrayList{"a", "b"};
        QTest::newRow("one line end at the start is skipped")
            << QByteArray("\r\na") << QByteArrayList{"a"};
        QTest::newRow("only the first of two is skipped")
            << QByteArray("\n\na") << QByteArrayList{"", "a"};
        QTest::newRow("blank lines later are kept")
            << QByteArray("a\r\n\r\n\r\nb") << QByteArrayList{"a", "", "", "b"};
        QTest::newRow("blank last line is kept") << QByteArray("a\n\n") << QByteArrayList{"a", ""};
        QTest::newRow("LF CR is two line ends")
            << QByteArray("a\n\rb") << QByteArrayList{"a", "", "b"};
        QTest::newRow("no mark: bytes as they are")
            << QByteArray("caf\xe9 \xc3\xa9\n") << QByteArrayList{"caf\xe9 \xc3\xa9"};
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF"
                                                  "caf\xc3\xa9\r\nna\xc3\xafve")
                                    << QByteArrayList{"caf\xc3\xa9", "na\xc3\xafve"};
        QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << QByteArrayList{};
        QTest::newRow("UTF-8 four bytes kept")
            << QByteArray("\xEF\xBB\xBF\xF0\x9F\x98\x80") << QByteArrayList{"\xF0\x9F\x98\x80"};
        QTest::newRow("UTF-8 invalid bytes become U+FFFD") << QByteArray("\xEF\xBB\xBF"
                                                                         "a\xFF"
                                                                         "b\xC3"
                                                                         "c\xE2\x82")
                                                           << QByteArrayList{"a\xEF\xBF\xBD"
                                                                             "b\xEF\xBF\xBD"
                                                                             "c\xEF\xBF\xBD"};
        QTest::newRow("UTF-8 overlong is invalid")
            << QByteArray("\xEF\xBB\xBF\xC0\xAF") << QByteArrayList{"\xEF\xBF\xBD"};
        QTest::newRow("UTF-16 little-endian")
            << Utf16(QString::fromUtf8("caf\xc3\xa9\r\n\xF0\x9F\x98\x80\nb"), true)
            << QByteArrayList{"caf\xc3\xa9", "\xF0\x9F\x98\x80", "b"};
        QTest::newRow("UTF-16 big-endian")
            << Utf16(QStringLiteral("\r\nx\ry"), false) << QByteArrayList{"x", "y"};
        QTest::newRow("UTF-16 lone surrogate") << Utf16(QString(QChar(0xD800)) + "a", true)
                                               << QByteArrayList{"\xEF\xBF\xBD"
                                                                 "a"};
        QTest::newRow("UTF-16 odd last byte")
            << Utf16(QStringLiteral("ab"), true) + "c" << QByteArrayList{"ab"};
        QTest::newRow("mark-like start that is no mark")
            << QByteArray("\xEF\xBBx") << QByteArrayList{"\xEF\xBBx"};
        QTest::newRow("NUL inside a line")
            << QByteArray("a\0b", 3) << QByteArrayList{QByteArray("a\0b", 3)};
    }

    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, lines);
        QTemporaryDir folder;
        QFile file(folder.filePath("words.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        QCOMPARE(ReadAllLines(file.fileName()), lines);
    }

    void longLines_areReadWholeAcrossBufferFills()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath("long.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray first(1023, 'a'); // its CR ends one buffer and its LF starts the next
        const QByteArray second(5000, 'b');
        const QByteArray third(1024, 'c');
        file.write(first + "\r\n" + second + "\n" + third);
        file.close();
        QCOMPARE(ReadAllLines(file.fileName()), (QByteArrayList{first, second, third}));

        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray utf8Line;
        while (utf8Line.size() < 3000) {
            utf8Line += "\xc3\xa9";
        }
        file.write("\xEF\xBB\xBF" + utf8Line);
        file.close();
        QCOMPARE(ReadAllLines(file.fileName()), QByteArrayList{utf8Line});
    }

    void badFiles_readAsWellAsTheyCan_withoutCrashOrHang()
    {
        QTemporaryDir folder;
        // A folder and a file that refuses to be read read as files without lines.
        QCOMPARE(ReadAllLines(folder.path()), QByteArrayList{});
        QCOMPARE(ReadAllLines("/proc/self/mem"), QByteArrayList{});

        // A file deleted while it is being read is read to its end.
        QFile vanishing(folder.filePath("vanishing.txt"));
        QVERIFY(vanishing.open(QIODevice::WriteOnly));
        for (int line = 0; line < 3000; ++line) {
            vanishing.write("word\n");
        }
        vanishing.close();
        CTextLineReader reader(vanishing.fileName().toStdString());
        std::string line;
        QVERIFY(reader.ReadLine(line));
        QVERIFY(QFile::remove(vanishing.fileName()));
        int lines = 1;
        while (reader.ReadLine(line)) {
            ++lines;
        }
        QCOMPARE(lines, 3000);

        // Binary data: every byte value, many times over.
        QFile binary(folder.filePath("binary.bin"));
        QVERIFY(binary.open(QIODevice::WriteOnly));
        QByteArray bytes;
        for (int index = 0; index < 70000; ++index) {
            bytes.append(static_cast<char>((index * 7919) % 256));
        }
        binary.write(bytes);
        binary.close();
        QVERIFY(!ReadAllLines(binary.fileName()).isEmpty());
    }

    void hugeOneLineFile_isReadWhole()
    {
#if defined(__SANITIZE_ADDRESS__)
        constexpr qint64 kSize = 32LL * 1024 * 1024; // the sanitizers make every byte slow
#else
        constexpr qint64 kSize = 200LL * 1024 * 1024;
#endif
        QTemporaryDir folder;
        QFile file(folder.filePath("huge.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kSize)); // NUL bytes, no line end
        file.close();
        CTextLineReader reader(file.fileName().toStdString());
        std::string line;
        QVERIFY(reader.ReadLine(line));
        QCOMPARE(static_cast<qint64>(line.size()), kSize);
        QVERIFY(!reader.ReadLine(line));
    }

    // A file over the limit is refused from its size, before anything of it is read.
    void fileOverTheSizeLimit_isRefusedWhole_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("a buffer's worth") << 1024 << true;
        QTest::newRow("inside a buffer") << 1500 << true;
        QTest::newRow("exactly the file") << 3000 << false;
        QTest::newRow("more than the file") << 4096 << false;
    }

    void fileOverTheSizeLimit_isRefusedWhole()
    {
        QFETCH(int, limit);
        QFETCH(bool, tooLarge);
        QTemporaryDir folder;
        QFile file(folder.filePath("words.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(2999, 'w') + '\n');
        file.close();
        CTextLineReader reader(file.fileName().toStdString(), static_cast<std::uint64_t>(limit));
        std::string line;
        QCOMPARE(reader.ReadLine(line), !tooLarge);
        QCOMPARE(line.size(), tooLarge ? std::size_t{0} : std::size_t{2999});
        QVERIFY(!reader.ReadLine(line));
        QCOMPARE(reader.TooLarge(), tooLarge);
        QCOMPARE(reader.Problem(),
                 tooLarge ? "it is larger than " + SizeLimitText(static_cast<std::uint64_t>(limit))
                          : std::string());
    }

    void missingFile_hasNoLines()
    {
        QCOMPARE(ReadAllLines("/no/such/folder/words.txt"), QByteArrayList{});
        QVERIFY(ReadTrimmedLines("/no/such/file").empty());
    }

    void wordLists_trimLines_keywordTextEndsThemInCrLf()
    {
        QTemporaryDir folder;
        QFile file(folder.filePath("list.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\n  alpha \r\n\r\n\tbeta gamma\t\n");
        file.close();
        QCOMPARE(ReadTrimmedLines(file.fileName().toStdString()),
                 (std::vector<std::string>{"alpha", "", "beta gamma"}));
        QCOMPARE(ReadKeywordText(file.fileName().toStdString()),
                 std::string("alpha\r\n\r\nbeta gamma\r\n"));
    }
};

QIRV_TEST(TextLineReaderTest);
#include "TextLineReaderTest.moc"
