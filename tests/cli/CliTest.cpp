#include "FakeRdapServer.h"
#include "FakeWhoisServer.h"
#include "ReplyFiles.h"
#include "TestMain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(FakeRdapServer::Answer)

namespace {

struct CliRun
{
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// The cache folder of every run: a downloaded list of the user's is never read.
QString CacheHome()
{
    static const QTemporaryDir folder;
    return folder.path();
}

// The data folder of every run, which holds the store of answers: the user's is never touched.
QString DataHome()
{
    static const QTemporaryDir folder;
    return folder.path();
}

// Runs qirv-cli (or `program`) while this test's event loop keeps serving the fake server;
// standard output goes to `outputFile` when one is named. A check keeps the list of RDAP servers
// it has (--no-update) unless it is to `refresh` it, and asks the fake registries alone
// (--no-dns): the machine's resolvers are not the test's to ask. It neither reads nor writes
// remembered answers (--no-store) unless it names their ages (--max-age).
CliRun RunCli(QStringList arguments, const QByteArray& input = {}, const QString& outputFile = {},
              const QString& program = QStringLiteral(QIRV_CLI_PATH), bool refresh = false)
{
    if (!refresh && arguments.contains(QStringLiteral("check"))) {
        arguments.prepend(QStringLiteral("--no-update"));
    }
    if (arguments.contains(QStringLiteral("check")) && !arguments.contains("--dns-server")) {
        arguments.prepend(QStringLiteral("--no-dns"));
    }
    if (arguments.contains(QStringLiteral("check")) && !arguments.contains("--max-age")) {
        arguments.prepend(QStringLiteral("--no-store"));
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), CacheHome());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), DataHome());
    // The window's program must print its help and version without any display.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty()) {
        process.setStandardOutputFile(outputFile);
    }
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        qFatal("cannot start qirv-cli");
    }
    process.write(input);
    process.closeWriteChannel();
    if (!finished.wait(60000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// At namespace scope: moc cannot read raw strings inside a class.
constexpr const char* kTwoExtensions =
    R"({"version": "1.0", "services": [[["io", "zz"], ["https://rdap.example/"]]]})";
constexpr const char* kWrongVersion =
    R"({"version": "2.0", "services": [[["io"], ["https://b/"]]]})";

QStringList CheckArguments(const FakeWhoisServer& server, const QStringList& names = {})
{
    return QStringList{"check", "--whois-server", QString::fromLatin1(server.Address())} + names;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void server_printsTheProtocolAndServerPerName()
    {
        CliRun run = RunCli({"server", "www.example.com", "x.ORG", "x.info", "x.dev", "x.ch",
                             "x.\u0440\u0444", "x.uk.com", "x.zz", "nodot"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output,
                 QByteArray("www.example.com\twhois\twhois.verisign-grs.com:43\t"
                            "rules whois.verisign-grs.com\n"
                            "x.ORG\twhois\twhois.publicinterestregistry.org:43\t"
                            "rules whois.publicinterestregistry.org\n"
                            "x.info\trdap\thttps://rdap.identitydigital.services/rdap/\trdap\n"
                            "x.dev\trdap\thttps://pubapi.registry.google/rdap/\trdap\n"
                            "x.ch\twhois\twhois.nic.ch:43\trules whois.nic.ch\n"
                            "x.\xd1\x80\xd1\x84\twhois\twhois.tcinet.ru:43\tgeneral\n"
                            "x.uk.com\twhois\twhois.centralnic.com:43\tgeneral\n"
                            "x.zz\tnone\tnone\tnone\n"
                            "nodot\tnone\tnone\tnone\n"));
        // The reply is read as its registry's, whichever server is asked.
        run = RunCli({"server", "--whois-server", "127.0.0.1:4343", "x.zz", "x.COM"});
        QCOMPARE(run.output, QByteArray("x.zz\twhois\t127.0.0.1:4343\tgeneral\n"
                                        "x.COM\twhois\t127.0.0.1:4343\t"
                                        "rules whois.verisign-grs.com\n"));
    }

    // A valid download replaces the list; a failed one keeps it and says why.
    void serversUpdate_keepsTheListThereWasOnFailure_data()
    {
        using Answer = FakeRdapServer::Answer;
        QTest::addColumn<Answer>("failing");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("HTTP error") << Answer{404} << QByteArray("answered HTTP 404");
        QTest::newRow("not JSON") << Answer{200, "<html>"} << QByteArray("not JSON");
        QTest::newRow("wrong version")
            << Answer{200, kWrongVersion} << QByteArray("not version 1.0");
        // Ended at the bound on the file, headers included, not read on at full speed.
        QTest::newRow("headers without end")
            << Answer{200, {}, 0, {}, {}, Answer::Ending::EndlessHeaders}
            << QByteArray("the file is larger than 16 MiB");
    }

    void serversUpdate_keepsTheListThereWasOnFailure()
    {
        QFETCH(FakeRdapServer::Answer, failing);
        QFETCH(QByteArray, reason);
        FakeRdapServer iana;
        FakeRdapServer::Answer answer{200, kTwoExtensions};
        iana.SetResponder([&](const QByteArray&) { return answer; });
        const QStringList update{"servers", "--update", "--url", iana.BaseUrl() + "dns.json"};
        CliRun run = RunCli(update);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.errors,
                 QByteArray("The registry list is updated: 2 extensions are asked over RDAP.\n"));
        QCOMPARE(RunCli({"server", "x.io"}).output,
                 QByteArray("x.io\trdap\thttps://rdap.example/\trdap\n"));

        answer = failing;
        run = RunCli(update);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.startsWith("The registry list was not updated: ") &&
                     run.errors.contains(reason) &&
                     run.errors.endsWith(". The list in use stays as it was.\n"),
                 run.errors.constData());
        QCOMPARE(RunCli({"server", "x.io"}).output,
                 QByteArray("x.io\trdap\thttps://rdap.example/\trdap\n"));
        QVERIFY(RunCli({"servers"}).output.endsWith(": 2 extensions are asked over RDAP.\n"));
        QVERIFY(QFile::remove(CacheHome() + "/qirv/rdap-dns.json"));
    }

    // A check first refreshes a list over 30 days old, unless told not to; a failed refresh is
    // one line, and the check answers as it would have.
    void check_refreshesAnOldListFirst_unlessToldNot()
    {
        FakeRdapServer iana;
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("No match for x\n"));
        QFile old(CacheHome() + "/qirv/rdap-dns.json");
        QVERIFY(QDir().mkpath(CacheHome() + "/qirv") && old.open(QIODevice::WriteOnly));
        QVERIFY(old.write(kTwoExtensions) > 0 && old.flush());
        QVERIFY(old.setFileTime(QDateTime::currentDateTimeUtc().addDays(-31),
                                QFileDevice::FileModificationTime));
        const QByteArray harnessUrl = qgetenv("QIRV_RDAP_BOOTSTRAP_URL");
        qputenv("QIRV_RDAP_BOOTSTRAP_URL", (iana.BaseUrl() + "dns.json").toUtf8());
        const QStringList check = CheckArguments(server, {"free.com"});
        const CliRun kept = RunCli(check);
        const CliRun refreshed = RunCli(check, {}, {}, QStringLiteral(QIRV_CLI_PATH), true);
        qputenv("QIRV_RDAP_BOOTSTRAP_URL", harnessUrl);
        QVERIFY(old.remove());
        QCOMPARE(kept.errors, QByteArray());
        QCOMPARE(refreshed.errors, QByteArray("qirv-cli check: The registry list was not updated: "
                                              "127.0.0.1 answered HTTP 404. The list in use stays "
                                              "as it was.\n"));
        for (const CliRun& run : {kept, refreshed}) {
            QCOMPARE(run.output, QByteArray("free.com\tAvailable!\n"));
            QCOMPARE(run.exitCode, 0);
        }
        QCOMPARE(iana.paths, QList<QByteArray>{"/rdap/dns.json"});
    }

    void classify_readsAFileOrStandardInput()
    {
        const QString file = TestDataDirectory() +
                             "/whois-replies/ca/whois.cira.ca__registered__weppos-2014-old.txt";
        CliRun run = RunCli({"classify", "ca", file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output, QByteArray("Taken\n"));

        run = RunCli({"classify", "example"}, "x.example has no information\n");
        QCOMPARE(run.output, QByteArray("Information Missing\n"));
        QCOMPARE(run.exitCode, 0);

        run = RunCli({"classify", "com"}, "Domain not found.\n");
        QCOMPARE(run.output, QByteArray("No verdict\n"));
        QCOMPARE(run.exitCode, 1);
    }

    void badUsage_exitsWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no command") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"lookup", "x.com"};
        QTest::newRow("server without names") << QStringList{"server"};
        QTest::newRow("servers with a URL but no update")
            << QStringList{"servers", "--url", "http://127.0.0.1/"};
        QTest::newRow("classify without suffix") << QStringList{"classify"};
        QTest::newRow("classify of a missing file")
            << QStringList{"classify", "com", "/no/such/file"};
        QTest::newRow("whois server without value") << QStringList{"check", "--whois-server"};
        QTest::newRow("whois server with a bad port")
            << QStringList{"check", "--whois-server", "h:0", "x.com"};
        QTest::newRow("unknown option") << QStringList{"check", "--fast", "x.com"};
        QTest::newRow("ages without a unit")
            << QStringList{"check", "--max-age", "taken=30", "x.com"};
        QTest::newRow("history without names") << QStringList{"history"};
    }

    void badUsage_exitsWithTwo()
    {
        QFETCH(QStringList, arguments);
        const CliRun run = RunCli(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(!run.errors.isEmpty());
    }

    void everyCommand_hasItsOwnHelp_data()
    {
        QTest::addColumn<QString>("command");
        for (const char* command :
             {"server", "servers", "classify", "check", "history", "generate", "words"}) {
            QTest::newRow(command) << QString::fromLatin1(command);
        }
    }

    void everyCommand_hasItsOwnHelp()
    {
        QFETCH(QString, command);
        const CliRun run = RunCli({command, "--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.output.startsWith("Usage: qirv-cli " + command.toUtf8() + " "),
                 run.output.constData());
    }

    void options_takeTheirValueEitherWay_andMayRepeat()
    {
        const CliRun run = RunCli({"generate", "--keywords=red", "--ext", ".net", "--ext=com"});
        QCOMPARE(run.output, QByteArray("www.red.com\nwww.red.net\n"));
    }

    void generate_takesAnyRegistryExtension_theNineFirst()
    {
        CliRun run = RunCli({"generate", "--keywords", "x", "--ext", ".io,.co.uk"});
        QCOMPARE(run.output, QByteArray("www.x.io\nwww.x.co.uk\n"));
        run = RunCli({"generate", "--keywords", "x", "--ext", "рф,.io", "--ext", ".net,.co.uk"});
        QCOMPARE(run.output, QByteArray("www.x.net\nwww.x.рф\nwww.x.io\nwww.x.co.uk\n"));
        run = RunCli({"generate", "--keywords", "x", "--ext", ".io,.foo.bar"});
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.errors.contains("\".foo.bar\""), run.errors.constData());
        QVERIFY(run.output.isEmpty());
    }

    void helpAndVersion()
    {
        CliRun run = RunCli({"--help"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.output.contains("--whois-server [.SUFFIX=]HOST[:PORT]"));
        run = RunCli({"--version"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.output.startsWith("qirv-cli "));
    }

    // Every recorded reply, asked about the name it answers, through the real socket: its true
    // verdict, or no verdict where it cannot tell, and never a false "Available!". The reading
    // follows the registry of each name although every query goes to the one local server.
    void check_givesEveryRecordedReplyItsTrueVerdict()
    {
        // A name may answer several replies; each round asks every name once.
        QList<QList<RecordedReply>> rounds;
        QHash<QString, int> timesSeen;
        for (const RecordedReply& reply : RecordedReplies()) {
            const int round = timesSeen[reply.name]++;
            if (round == rounds.size()) {
                rounds.append(QList<RecordedReply>());
            }
            rounds[round].append(reply);
        }
        int trueVerdicts = 0;
        int corpusReplies = 0;
        for (const QList<RecordedReply>& replies : rounds) {
            FakeWhoisServer server;
            QHash<QByteArray, QByteArray> byName;
            QStringList names;
            QByteArray expected;
            for (const RecordedReply& reply : replies) {
                QByteArray result = ExpectedResult(reply);
                // A refusal is asked again after a pause; the engine's tests cover that.
                if (result.startsWith("Refused: ")) {
                    continue;
                }
                if (reply.file.startsWith("whois-corpus/")) {
                    ++corpusReplies;
                    trueVerdicts += result == "Taken" || result == "Available!" ? 1 : 0;
                }
                if (result.startsWith("No verdict")) {
                    result = (result == "No verdict" ? QByteArray("No verdict in the reply")
                                                     : result.mid(12)) +
                             " (" + server.Address() + ')';
                }
                byName.insert(reply.name.toUtf8(), reply.bytes);
                names.append(reply.name);
                expected += reply.name.toUtf8() + '\t' + result + '\n';
            }
            server.SetResponder([&](const QByteArray& query) {
                return FakeWhoisServer::Reply(byName.value(query.trimmed()));
            });
            const CliRun run = RunCli(CheckArguments(server, names));
            // The expectations give a registered name "Taken" or no verdict, never "Available!".
            QCOMPARE(run.output, expected);
        }
        qInfo("%d of %d corpus replies get their true verdict", trueVerdicts, corpusReplies);
    }

    void check_readsNamesFromStandardInput_andExitsZeroWhenAllAreDecided()
    {
        FakeWhoisServer server;
        server.SetResponder([](const QByteArray& query) {
            return FakeWhoisServer::Reply(query.startsWith("free") ? "No match for x\n"
                                                                   : "Domain Name: X\n");
        });
        const CliRun run = RunCli(CheckArguments(server), "www.free.com\r\n\r\ntaken.net\n");
        QCOMPARE(run.output, QByteArray("www.free.com\tAvailable!\ntaken.net\tTaken\n"));
        QCOMPARE(run.exitCode, 0);
    }

    // A slow generator in front: each line is asked as it arrives, not once the input ends.
    void check_answersStandardInputLineByLine()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("No match for x\n"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), CacheHome());
        process.setProcessEnvironment(environment);
        process.start(
            QStringLiteral(QIRV_CLI_PATH),
            CheckArguments(server, {"--no-update", "--no-dns", "--no-store", "first.com", "-"}));
        QVERIFY(process.waitForStarted());
        process.write("www.second.com\n");
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += process.readAll()).count('\n') == 2, 20000);
        QCOMPARE(output, QByteArray("first.com\tAvailable!\nwww.second.com\tAvailable!\n"));
        process.write("third.com\n");
        process.closeWriteChannel();
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 20000);
        QCOMPARE(process.readAll(), QByteArray("third.com\tAvailable!\n"));
        QCOMPARE(process.exitCode(), 0);
    }

    void check_goesOnAfterAFailure()
    {
        FakeWhoisServer server;
        server.SetResponder([](const QByteArray& query) {
            return FakeWhoisServer::Reply(query.startsWith("quiet") ? "nothing to see\n"
                                                                    : "Domain Name: X\n");
        });
        const CliRun run = RunCli(CheckArguments(server, {"quiet.com", "nodot", "taken.com"}));
        // A name that needs no server is answered first; the others in their server's order.
        QCOMPARE(run.output, "nodot\tNot a domain name\nquiet.com\tNo verdict in the reply (" +
                                 server.Address() + ")\ntaken.com\tTaken\n");
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(server.ConnectionCount(), 2);
    }

    void check_asksSuffixesWithoutWhoisOverRdap()
    {
        FakeRdapServer rdap;
        rdap.SetResponder([](const QByteArray& path) {
            return path.endsWith("free.info")
                       ? FakeRdapServer::Answer{404, {}, 0}
                       : FakeRdapServer::Answer{200, R"({"objectClassName":"domain","ldhName":")" +
                                                         path.split('/').back() + R"("})"};
        });
        const CliRun run =
            RunCli({"check", "--rdap-server", rdap.BaseUrl(), "www.free.info", "b\u00fccher.info"});
        QCOMPARE(run.output, QByteArray("www.free.info\tAvailable!\nb\xc3\xbc"
                                        "cher.info\tTaken\n"));
        QCOMPARE(rdap.paths,
                 (QList<QByteArray>{"/rdap/domain/free.info", "/rdap/domain/xn--bcher-kva.info"}));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(RunCli({"check", "--rdap-server", "ftp://x", "a.info"}).exitCode, 2);
    }

    // Format and shell characters are printed as they are, never obeyed; no label may hold them,
    // so such a name is never sent (and a registry's "no match" never makes it look free).
    void namesAreData_formatCharactersAndShellCharactersPassThroughUnchanged()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("No match for x\n"));
        const CliRun run = RunCli(CheckArguments(
            server, {"%s%n%x.com", "$(touch /tmp/qirv-x);`id`.com", "www.hello-world!.com",
                     "www.a_b.com", "www.-x-.com", "free.com"}));
        // The second holds "/", as a URL would: it is not a name at all.
        QCOMPARE(run.output,
                 QByteArray("%s%n%x.com\tNot a domain name: '%' is not allowed\n"
                            "$(touch /tmp/qirv-x);`id`.com\tNot a domain name\n"
                            "www.hello-world!.com\tNot a domain name: '!' is not allowed\n"
                            "www.a_b.com\tNot a domain name: '_' is not allowed\n"
                            "www.-x-.com\tNot a domain name: '-' is not allowed at the start or "
                            "end of a label\n"
                            "free.com\tAvailable!\n"));
        QCOMPARE(server.Received(), (QList<QByteArray>{"free.com\n"}));
        QVERIFY(!QFile::exists("/tmp/qirv-x"));
    }

    // Failures of the programs' own input and output are told in one line, never an abort and
    // never a success; what cannot be a name is never sent, and a name never breaks its line.
    void commandLine_behavesAsAUnixTool_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("outputFile");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("error");
        const QString cli = QStringLiteral(QIRV_CLI_PATH);
        QTest::newRow("a folder as the reply")
            << cli << QStringList{"classify", "com", "/tmp"} << QByteArray() << QString() << 2
            << QByteArray() << QByteArray("qirv-cli classify: cannot read /tmp\n");
        QTest::newRow("an endless reply is read to its bound")
            << cli << QStringList{"classify", "com", "/dev/zero"} << QByteArray() << QString() << 1
            << QByteArray("No verdict\n") << QByteArray();
        QTest::newRow("stdin as --input and as names")
            << cli << QStringList{"check", "--input", "-", "-"} << QByteArray() << QString() << 2
            << QByteArray() << QByteArray("qirv-cli check: standard input is either");
        QTest::newRow("generate into a full disk")
            << cli << QStringList{"generate", "--keywords", "red"} << QByteArray() << "/dev/full"
            << 2 << QByteArray() << QByteArray("qirv-cli: cannot write to standard output");
        QTest::newRow("server into a full disk")
            << cli << QStringList{"server", "x.com"} << QByteArray() << "/dev/full" << 2
            << QByteArray() << QByteArray("qirv-cli: cannot write to standard output");
        QTest::newRow("- is standard input")
            << cli << QStringList{"check", "first", "-", "last"} << QByteArray("middle\n")
            << QString() << 1
            << QByteArray("first\tNot a domain name\nmiddle\tNot a domain name\nlast\tNot a "
                          "domain name\n")
            << QByteArray();
        QTest::newRow("URLs, addresses and empty labels are not names")
            << cli << QStringList{"check", "http://x.com", "x.com/", "1.2.3.4", "www..com"}
            << QByteArray() << QString() << 1
            << QByteArray("http://x.com\tNot a domain name\nx.com/\tNot a domain name\n"
                          "1.2.3.4\tNot a domain name\nwww..com\tNot a domain name\n")
            << QByteArray();
        QTest::newRow("a name with a tab or line break is printed escaped")
            << cli << QStringList{"check", "a\tb", "c\nd.com"} << QByteArray() << QString() << 1
            << QByteArray("a\\tb\tNot a domain name\nc\\nd.com\tNot a domain name\n")
            << QByteArray();
        QTest::newRow("a suffix given two servers")
            << cli << QStringList{"check",          "--whois-server",      ".com=127.0.0.1:4471",
                                  "--whois-server", ".COM=127.0.0.1:4472", "a.com"}
            << QByteArray() << QString() << 2 << QByteArray()
            << QByteArray("qirv-cli check: Two servers for .com: \"--whois-server "
                          ".com=127.0.0.1:4471\" and \"--whois-server .COM=127.0.0.1:4472\"\n");
        QTest::newRow("a suffix given a server of each protocol")
            << cli
            << QStringList{"server",         "--rdap-server",        ".info=http://127.0.0.1:4473/",
                           "--whois-server", ".info=127.0.0.1:4471", "a.info"}
            << QByteArray() << QString() << 2 << QByteArray()
            << QByteArray("qirv-cli server: Two servers for .info: \"--whois-server "
                          ".info=127.0.0.1:4471\" and \"--rdap-server "
                          ".info=http://127.0.0.1:4473/\"\n");
        QTest::newRow("options before the command")
            << cli << QStringList{"--jobs", "2", "check", "nodot"} << QByteArray() << QString() << 1
            << QByteArray("nodot\tNot a domain name\n") << QByteArray();
        QTest::newRow("an unknown option says where help is")
            << cli << QStringList{"check", "--fast"} << QByteArray() << QString() << 2
            << QByteArray()
            << QByteArray("qirv-cli check: Unknown option 'fast'.\nTry 'qirv-cli check --help'.");
        QTest::newRow("the window's version without a display")
            << QStringLiteral(QIRV_PATH) << QStringList{"--version"} << QByteArray() << QString()
            << 0 << QByteArray("qirv ") << QByteArray();
        QTest::newRow("the window's help without a display")
            << QStringLiteral(QIRV_PATH) << QStringList{"--help"} << QByteArray() << QString() << 0
            << QByteArray("Usage: ") << QByteArray();
    }
    void commandLine_behavesAsAUnixTool()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, outputFile);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, error);
        const CliRun run = RunCli(arguments, input, outputFile, program);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.output.startsWith(output), run.output.constData());
        QVERIFY2(run.errors.startsWith(error), run.errors.constData());
    }

    // The box's text on one line, and after it who failed and the system's reason.
    void check_printsTheErrorBoxOnOneLine_withServerAndCause()
    {
        const QString address = "127.0.0.1:" + QString::number(ClosedLocalPort());
        const CliRun run = RunCli({"check", "--whois-server", address, "a.com", "b.com"});
        const QByteArray failure =
            "\tWinsock Error: Connection Failure! (" + address.toUtf8() + ": connection refused)\n";
        QCOMPARE(run.output, "a.com" + failure + "b.com" + failure);
        QCOMPARE(run.exitCode, 1);

        // Thousands of connections that fail at once end promptly, each answered once: the next
        // query never starts inside the last one's failure.
        QByteArray names;
        for (int number = 0; number < 5000; ++number) {
            names += "n" + QByteArray::number(number) + ".com\n";
        }
        const CliRun many = RunCli({"check", "--whois-server", address}, names);
        QCOMPARE(many.exitCode, 1);
        QCOMPARE(many.output.count(failure), 5000);
    }

    // A second check takes the first one's verdicts without asking, with the server and time
    // they were given; a name without a verdict is asked again. History lists every answer.
    void check_remembersVerdictsForTheNextRun()
    {
        FakeWhoisServer server;
        server.SetResponder([](const QByteArray& query) {
            return FakeWhoisServer::Reply(query.startsWith("quiet")   ? "nothing to see\n"
                                          : query.startsWith("taken") ? "Domain Name: X\n"
                                                                      : "No match for x\n");
        });
        const QStringList check = CheckArguments(
            server, {"--max-age", "taken=30d,available=1h", "--format", "csv",
                     "taken.remembered.com", "free.remembered.com", "quiet.remembered.com"});
        const CliRun first = RunCli(check);
        const CliRun second = RunCli(check);
        QCOMPARE(server.Received().size(), 4);
        QCOMPARE(second.exitCode, 1);
        for (const QByteArray& line : first.output.split('\n')) {
            if (line.startsWith("taken") || line.startsWith("free")) {
                QVERIFY2(second.output.contains(line + '\n'), second.output.constData());
            }
        }
        QVERIFY(second.errors.isEmpty());

        // Available for no time at all: asked again.
        RunCli(CheckArguments(server, {"--max-age", "available=0s", "free.remembered.com"}));
        QCOMPARE(server.Received().size(), 5);

        const CliRun history =
            RunCli({"history", "www.QUIET.remembered.com", "taken.remembered.com"});
        const QByteArray asked = "\t" + server.Address() + "\n";
        QCOMPARE(history.output.count("quiet.remembered.com\t"), 2);
        QCOMPARE(history.output.count("\tNo Answer" + asked), 2);
        QVERIFY(history.output.endsWith("\tTaken" + asked));
        QCOMPARE(history.exitCode, 0);
        QCOMPARE(RunCli({"history", "never.remembered.com"}).exitCode, 1);
    }

    // Two checks writing to one store at once: each waits for the other's transaction, and
    // every answer of both is kept.
    void check_twoRunsAtOnce_loseNoAnswer()
    {
        FakeWhoisServer server;
        server.SetScript(FakeWhoisServer::Reply("No match for x\n"));
        QList<QProcess*> runs;
        QStringList everyName;
        for (const QString prefix : {"left", "right"}) {
            QByteArray names;
            for (int number = 0; number < 1500; ++number) {
                everyName << prefix + QString::number(number) + ".together.com";
                names += everyName.constLast().toUtf8() + '\n';
            }
            auto* process = new QProcess(this);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_CACHE_HOME"), CacheHome());
            environment.insert(QStringLiteral("XDG_DATA_HOME"), DataHome());
            process->setProcessEnvironment(environment);
            process->start(
                QStringLiteral(QIRV_CLI_PATH),
                CheckArguments(server, {"--no-update", "--no-dns", "--max-age", "taken=30d"}));
            QVERIFY(process->waitForStarted());
            process->write(names);
            process->closeWriteChannel();
            runs << process;
        }
        for (QProcess* process : runs) {
            QTRY_COMPARE_WITH_TIMEOUT(process->state(), QProcess::NotRunning, 60000);
            QCOMPARE(process->exitCode(), 0);
            QCOMPARE(process->readAllStandardError(), QByteArray());
            process->deleteLater();
        }
        const CliRun history = RunCli(QStringList{"history"} + everyName);
        QCOMPARE(history.output.count('\n'), 3000);
        QCOMPARE(history.exitCode, 0);
    }
};

QIRV_TEST(CliTest);
#include "CliTest.moc"
