#include "dns/core/DnsReply.h"

#include "TestMain.h"

#include <QTest>

namespace {

QByteArray Name(const QByteArrayList& labels)
{
    QByteArray wire;
    for (const QByteArray& label : labels) {
        wire += static_cast<char>(label.size()) + label;
    }
    return wire + '\0';
}

QByteArray Word(int value)
{
    return QByteArray(1, static_cast<char>(value >> 8)) + static_cast<char>(value & 0xFF);
}

// A record of class IN.
QByteArray Record(const QByteArray& owner, int type, const QByteArray& data)
{
    return owner + Word(type) + Word(1) + QByteArray("\0\0\x0e\x10", 4) + Word(data.size()) + data;
}

constexpr int kTypeA = 1;
constexpr int kTypeNs = 2;
constexpr int kResponse = 0x8000;
// Where the question's name starts, for a compression pointer.
const QByteArray kToQuestion("\xc0\x0c", 2);

// A reply to the question for NS records of taken.zz.
QByteArray Reply(const QByteArrayList& answers, const QByteArrayList& authority,
                 int flags = kResponse)
{
    return Word(0x1234) + Word(flags) + Word(1) + Word(answers.size()) + Word(authority.size()) +
           Word(0) + Name({"taken", "zz"}) + Word(kTypeNs) + Word(1) + answers.join() +
           authority.join();
}

} // namespace

// Only NS records owned by the very name asked count, and nothing a hostile server sends gets the
// reading out of the message or into a loop.
class DnsReplyTest : public QObject
{
    Q_OBJECT

private slots:
    void nameServersOfTheName_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<int>("responseCode");
        QTest::addColumn<bool>("nameServers");
        const QByteArray server = Name({"ns1", "example"});
        const QByteArray delegation = Record(kToQuestion, kTypeNs, server);
        const auto row = [&](const char* title, const QByteArray& message, bool readable,
                             int responseCode = 0, bool nameServers = false,
                             const QByteArray& asked = "taken.zz") {
            QTest::newRow(title) << message << asked << readable << responseCode << nameServers;
        };
        row("answer of a resolver", Reply({delegation}, {}), true, 0, true);
        row("referral of the parent's server", Reply({}, {delegation}), true, 0, true);
        row("owner spelled out, in another case, asked with the final dot",
            Reply({}, {Record(Name({"TAKEN", "Zz"}), kTypeNs, server)}), true, 0, true,
            "Taken.ZZ.");
        row("asked with an empty label", Reply({delegation}, {}), true, 0, false, "taken.zz..");
        row("NS of the parent zone", Reply({}, {Record(Name({"zz"}), kTypeNs, server)}), true);
        row("NS of a name below", Reply({Record(Name({"a", "taken", "zz"}), kTypeNs, server)}, {}),
            true);
        row("only an address",
            Reply({Record(kToQuestion, kTypeA, QByteArray("\x7f\0\0\x01", 4))}, {}), true);
        row("one label holding the dot", Reply({Record(Name({"taken.zz"}), kTypeNs, server)}, {}),
            true);
        row("NXDOMAIN", Reply({}, {}, kResponse | 3), true, 3);
        row("a question, not a reply", Reply({delegation}, {}, 0), false);
        row("header cut short", Reply({delegation}, {}).left(11), false);
        row("record data cut short", Reply({delegation}, {}).chopped(1), false);
        row("more records counted than sent", Reply({delegation}, {}).replace(7, 1, "\x02"), false);
        row("pointer to itself", Reply({Record("\xc0\x1a", kTypeNs, server)}, {}), false);
        row("pointer forward", Reply({Record("\xc0\x1c", kTypeNs, server)}, {}), false);
        row("pointer cut short", Reply({"\xc0"}, {}), false);
        row("reserved label type", Reply({Record("\x40", kTypeNs, server)}, {}), false);
        const QByteArray longLabel(63, 'a');
        row("name over 255 octets",
            Reply(
                {Record(Name({longLabel, longLabel, longLabel, longLabel, "zz"}), kTypeNs, server)},
                {}),
            false);
    }

    void nameServersOfTheName()
    {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, name);
        QFETCH(bool, readable);
        QFETCH(int, responseCode);
        QFETCH(bool, nameServers);
        const std::optional<DnsReply> reply =
            ReadDnsReply(message.toStdString(), name.toStdString());
        QCOMPARE(reply.has_value(), readable);
        if (reply) {
            QCOMPARE(reply->responseCode, responseCode);
            QCOMPARE(reply->nameServersOfName, nameServers);
        }
    }
};

QIRV_TEST(DnsReplyTest);
#include "DnsReplyTest.moc"
