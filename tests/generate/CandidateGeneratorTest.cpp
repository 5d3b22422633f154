#include "generate/core/CandidateGenerator.h"

#include "TestMain.h"
#include "generate/core/RegistryExtensions.h"

#include <QTest>
#include <array>
#include <unordered_set>

namespace {

// The list as the generator sees it: names in row order.
class RecordingList : public CandidateList
{
public:
    bool IsDomainListed(std::string_view name) const override
    {
        return seen.contains(std::string(name));
    }
    void AddPendingRow(std::string name) override
    {
        seen.insert(name);
        names.push_back(std::move(name));
    }

    std::unordered_set<std::string> seen;
    std::vector<std::string> names;
};

struct Generation
{
    KeywordOptions options;
    WordLists lists;
    std::vector<std::string> extensions{".com"};
    RecordingList list;
    bool notCombined = false;

    QByteArrayList Run()
    {
        const std::size_t before = list.names.size();
        CandidateGenerator generator(options, extensions, lists, list);
        notCombined = generator.GenerateCandidates();
        QByteArrayList added;
        for (std::size_t index = before; index < list.names.size(); ++index) {
            added.append(QByteArray::fromStdString(list.names[index]));
        }
        return added;
    }
};

} // namespace

class CandidateGeneratorTest : public QObject
{
    Q_OBJECT

private slots:
    void workedExample_defaultOptions()
    {
        Generation generation;
        generation.options.m_strKeywords = "X Y\r\nZ";
        generation.extensions = {".com", ".net"};
        QCOMPARE(generation.Run(),
                 (QByteArrayList{"www.X-Y.com", "www.XY.com", "www.Y-X.com", "www.YX.com",
                                 "www.Z.com", "www.X-Y.net", "www.XY.net", "www.Y-X.net",
                                 "www.YX.net", "www.Z.net"}));
        QCOMPARE(generation.Run(), QByteArrayList{}); // the same input again appends nothing
    }

    void workedExample_wordLists()
    {
        Generation generation;
        // Built as a string first: GCC 12 at -O3 warns falsely (-Wrestrict) when a one-letter
        // literal is assigned to a std::string.
        generation.options.m_strKeywords = std::string("F");
        generation.options.m_bUseSuffixes = 1;
        generation.options.m_bUsePrefixes = 1;
        generation.options.m_bUseTopWords = 1;
        generation.lists = {{"S"}, {"P"}, {"T1 T2"}};
        QCOMPARE(generation.Run(), (QByteArrayList{"www.F.com", "www.SF.com", "www.FP.com",
                                                   "www.FT1-T2.com", "www.F-T1-T2.com"}));
    }

    void edgeCases_data()
    {
        QTest::addColumn<QByteArray>("keywords");
        QTest::addColumn<QByteArray>("flags"); // letters switch options: c combine off, h hyphens
                                               // off, r remove spaces off, t top words on
        QTest::addColumn<QByteArrayList>("topWords");
        QTest::addColumn<QByteArrayList>("names");
        const QByteArrayList none;
        QTest::newRow("empty text: one empty line")
            << QByteArray() << QByteArray() << none << QByteArrayList{"www..com"};
        QTest::newRow("blank line inside, blanks at the end")
            << QByteArray("X\r\n\r\nZ\r\n\r\n \t\r\n") << QByteArray() << none
            << QByteArrayList{"www.X.com", "www..com", "www.Z.com"};
        QTest::newRow("two blanks between words")
            << QByteArray("X  Y") << QByteArray() << none
            << QByteArrayList{"www.X--Y.com", "www.XY.com", "www.X-Y.com",
                              "www.Y-X.com",  "www.YX.com", "www.Y--X.com"};
        QTest::newRow("blanks around one word")
            << QByteArray(" X ") << QByteArray() << none << QByteArrayList{"www.X.com"};
        QTest::newRow("blanks around one word, not combined")
            << QByteArray(" X ") << QByteArray("c") << none << QByteArrayList{"www.X.com"};
        QTest::newRow("tab is kept")
            << QByteArray("X\tY") << QByteArray() << none << QByteArrayList{"www.X\tY.com"};
        QTest::newRow("letter case differs") << QByteArray("shop\r\nShop") << QByteArray() << none
                                             << QByteArrayList{"www.shop.com", "www.Shop.com"};
        QTest::newRow("keyword with www.")
            << QByteArray("www.x") << QByteArray() << none << QByteArrayList{"www.www.x.com"};
        QTest::newRow("hyphens off") << QByteArray("X Y") << QByteArray("h") << none
                                     << QByteArrayList{"www.XY.com", "www.YX.com"};
        QTest::newRow("remove spaces off") << QByteArray("X Y") << QByteArray("r") << none
                                           << QByteArrayList{"www.X-Y.com", "www.Y-X.com"};
        QTest::newRow("hyphens and remove spaces off")
            << QByteArray("X Y") << QByteArray("hr") << none << QByteArrayList{};
        QTest::newRow("not combined") << QByteArray("X Y Z") << QByteArray("c") << none
                                      << QByteArrayList{"www.X-Y-Z.com", "www.XYZ.com"};
        QTest::newRow("top word blank becomes hyphen even with hyphens off")
            << QByteArray("F") << QByteArray("ht") << QByteArrayList{"T1 T2"}
            << QByteArrayList{"www.F.com", "www.FT1-T2.com"};
        QTest::newRow("empty top word with hyphens")
            << QByteArray("F") << QByteArray("t") << QByteArrayList{""}
            << QByteArrayList{"www.F.com", "www.F-.com"};
        QTest::newRow("repeated words are added once")
            << QByteArray("a a") << QByteArray() << none
            << QByteArrayList{"www.a-a.com", "www.aa.com"};
    }

    void edgeCases()
    {
        QFETCH(QByteArray, keywords);
        QFETCH(QByteArray, flags);
        QFETCH(QByteArrayList, topWords);
        QFETCH(QByteArrayList, names);
        Generation generation;
        generation.options.m_strKeywords = keywords.toStdString();
        generation.options.m_bCombineKeywords = flags.contains('c') ? 0 : 1;
        generation.options.m_bUseHyphens = flags.contains('h') ? 0 : 1;
        generation.options.m_bRemoveSpaces = flags.contains('r') ? 0 : 1;
        generation.options.m_bUseTopWords = flags.contains('t') ? 1 : 0;
        for (const QByteArray& word : topWords) {
            generation.lists.m_arrTopWords.push_back(word.toStdString());
        }
        QCOMPARE(generation.Run(), names);
        QVERIFY(!generation.notCombined);
    }

    void emptyText_placesListEntriesAsUsual()
    {
        Generation generation;
        generation.options.m_bUseSuffixes = 1;
        generation.lists.m_arrSuffixes = {"S", ""};
        QCOMPARE(generation.Run(), (QByteArrayList{"www..com", "www.S.com"}));
    }

    void listedNames_areNeverAddedAgain()
    {
        Generation generation;
        generation.list.AddPendingRow("www.Z.com");
        generation.options.m_strKeywords = "Z\r\nY";
        QCOMPARE(generation.Run(), QByteArrayList{"www.Y.com"});
    }

    void noExtension_addsNothing()
    {
        Generation generation;
        generation.options.m_strKeywords = std::string("X");
        generation.extensions.clear();
        QCOMPARE(generation.Run(), QByteArrayList{});
    }

    void combineWords_listsTheLineThenEveryOtherOrder()
    {
        std::vector<std::string> phrases{"earlier"};
        QCOMPARE(CandidateGenerator::CombineWords("  X Y Z ", phrases), 7);
        QCOMPARE(phrases, (std::vector<std::string>{"earlier", "X Y Z", "X Z Y", "Y X Z", "Y Z X",
                                                    "Z X Y", "Z Y X"}));
    }

    void eightWords_areCombined_nineAreUsedAsTyped()
    {
        Generation eight;
        eight.options.m_strKeywords = "a b c d e f g h";
        QCOMPARE(eight.Run().size(), 2 * 40320);
        QVERIFY(!eight.notCombined);

        Generation nine;
        nine.options.m_strKeywords = "a b c d e f g h i\r\nx y";
        QCOMPARE(nine.Run(),
                 (QByteArrayList{"www.a-b-c-d-e-f-g-h-i.com", "www.abcdefghi.com", "www.x-y.com",
                                 "www.xy.com", "www.y-x.com", "www.yx.com"}));
        QVERIFY(nine.notCombined);
        // Empty words count: two blanks make a ninth word.
        QCOMPARE(CandidateGenerator::SplitWords("a b c d e f g  h").size(), 9u);
    }

    void extensions_followTheFixedOrder()
    {
        KeywordOptions options;
        QCOMPARE(ExtensionsInOrder(options), std::vector<std::string>{".com"});
        options.m_bCom = 0;
        QCOMPARE(ExtensionsInOrder(options), std::vector<std::string>{});
        SelectAllExtensions(options);
        QCOMPARE(ExtensionsInOrder(options),
                 (std::vector<std::string>{".com", ".net", ".org", ".info", ".edu", ".biz", ".ca",
                                           ".eu", ".us"}));
    }

    void registryExtension_takesOnlyIcannSuffixes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("extension"); // the form names are made with; empty: invalid
        const std::array<std::array<const char*, 3>, 13> rows{{
            {"top level", ".io", ".io"},
            {"second level", ".co.uk", ".co.uk"},
            {"dot added, lower case", "CO.UK", ".co.uk"},
            {"Cyrillic, lower case", ".РФ", ".рф"},
            {"Chinese", ".中国", ".中国"},
            {"ASCII form", ".xn--p1ai", ".xn--p1ai"},
            {"made-up top level", ".qirv", ""},
            {"unlisted second level", ".foo.bar", ""},
            {"private section", ".github.io", ""},
            {"wildcard rule, not a label", ".*.ck", ""},
            {"dots only", "..", ""},
            {"trailing dot", ".com.", ""},
            {"empty", "", ""},
        }};
        for (const auto& [name, typed, extension] : rows) {
            QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(extension);
        }
    }

    void registryExtension_takesOnlyIcannSuffixes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, extension);
        QCOMPARE(
            QString::fromStdString(RegistryExtension(typed.toStdString()).value_or(std::string())),
            extension);
    }

    void typedExtensions_comeAfterTheNine_inTypedOrder_once()
    {
        KeywordOptions options;
        options.m_bNet = 1;
        const TypedExtensions typed = ReadTypedExtensions(" .io,.NET  co.uk,,.foo.bar .рф .io\t");
        QCOMPARE(typed.invalid, std::vector<std::string>{".foo.bar"});
        std::vector<std::string> extensions = ExtensionsInOrder(options);
        AppendNewExtensions(extensions, typed.valid);
        QCOMPARE(extensions, (std::vector<std::string>{".com", ".net", ".io", ".co.uk", ".рф"}));

        Generation generation;
        generation.options.m_strKeywords = "a";
        generation.extensions = extensions;
        QCOMPARE(generation.Run(),
                 (QByteArrayList{"www.a.com", "www.a.net", "www.a.io", "www.a.co.uk", "www.a.рф"}));
    }
};

QIRV_TEST(CandidateGeneratorTest);
#include "CandidateGeneratorTest.moc"
