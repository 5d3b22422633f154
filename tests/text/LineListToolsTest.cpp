#include "TestMain.h"
#include "text/CLineListTools.h"

#include <QTest>

namespace {

QByteArrayList ToList(const std::vector<std::string>& entries)
{
    QByteArrayList list;
    for (const std::string& entry : entries) {
        list.append(QByteArray::fromStdString(entry));
    }
    return list;
}

} // namespace

class LineListToolsTest : public QObject
{
    Q_OBJECT

private slots:
    void splitLines_takesPiecesFollowedByTheSeparator_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::newRow("empty text") << QByteArray() << QByteArrayList{};
        QTest::newRow("text without separator") << QByteArray("abc") << QByteArrayList{};
        QTest::newRow("one line") << QByteArray("abc\r\n") << QByteArrayList{"abc"};
        QTest::newRow("blank line inside")
            << QByteArray("a\r\n\r\nb\r\n") << QByteArrayList{"a", "", "b"};
        QTest::newRow("separator first") << QByteArray("\r\na\r\n") << QByteArrayList{"", "a"};
        QTest::newRow("tail dropped") << QByteArray("a\r\nb") << QByteArrayList{"a"};
        QTest::newRow("lone LF is no separator")
            << QByteArray("a\nb\r\n") << QByteArrayList{"a\nb"};
        QTest::newRow("blanks kept") << QByteArray(" a \r\n") << QByteArrayList{" a "};
    }

    void splitLines_takesPiecesFollowedByTheSeparator()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArrayList, pieces);
        std::vector<std::string> list{"kept"};
        QCOMPARE(CLineListTools::SplitLines(list, text.toStdString(), "\r\n"), pieces.size() + 1);
        QCOMPARE(ToList(list), QByteArrayList{"kept"} + pieces);
    }

    void joinLines_endsEveryEntry_andLeavesTheTextAloneForAnEmptyList()
    {
        std::string text = "untouched";
        QVERIFY(!CLineListTools::JoinLines({}, text, "\r\n"));
        QCOMPARE(text, std::string("untouched"));
        QVERIFY(CLineListTools::JoinLines({"a", "", "b c"}, text, "\r\n"));
        QCOMPARE(text, std::string("a\r\n\r\nb c\r\n"));
    }

    void ensureLineEnd()
    {
        QCOMPARE(CLineListTools::EnsureLineEnd(""), std::string(""));
        QCOMPARE(CLineListTools::EnsureLineEnd("a"), std::string("a\r\n"));
        QCOMPARE(CLineListTools::EnsureLineEnd("a\r\n"), std::string("a\r\n"));
        QCOMPARE(CLineListTools::EnsureLineEnd("a\n"), std::string("a\n\r\n"));
    }
};

QIRV_TEST(LineListToolsTest);
#include "LineListToolsTest.moc"
