#include "CliCommands.h"
#include "query/QueryName.h"
#include "registry/CRegistryList.h"
#include "registry/core/IanaWhoisServers.h"
#include "text/Utf8Text.h"
#include "whois/core/ClassifyReply.h"

#include <QCoreApplication>
#include <iostream>
#include <map>

void UseRegistryList(SearchOptions& options, const char* command)
{
    CRegistryList list;
    options.routes.SetRdapBootstrap(list.Load());
    // Else answers would silently come from other servers than the list the user downloaded.
    if (const QString refusal = list.RefusedListMessage(); !refusal.isEmpty()) {
        std::cerr << "qirv-cli " << command << ": " << refusal.toStdString() << '\n';
    }
}

namespace {

// "whois\tHOST:PORT\tREADING": the reading follows the extension's registry whichever server is
// asked.
std::string DescribeRoute(const QueryRoute& route, std::string_view name)
{
    switch (route.protocol) {
    case QueryRoute::Protocol::Whois:
        return "whois\t" + route.whois.host + ':' + std::to_string(route.whois.port) + '\t' +
               ReadingOf(name);
    case QueryRoute::Protocol::Rdap:
        return "rdap\t" + route.rdapBase + "\trdap";
    case QueryRoute::Protocol::None:
        break;
    }
    return "none\tnone\tnone";
}

} // namespace

int RunServerCommand(SearchOptions options, const std::vector<std::string>& names)
{
    if (names.empty()) {
        return UsageError("server: name at least one domain name");
    }
    UseRegistryList(options, "server");
    for (const std::string& name : names) {
        const QueryName query = ToQueryName(QByteArray::fromStdString(name));
        QueryRoute route;
        route.protocol = QueryRoute::Protocol::None;
        std::string ascii;
        if (query.IsAskable()) {
            ascii = query.ascii.toStdString();
            route = options.routes.RouteFor(ascii);
        }
        std::cout << EscapedForTerminal(name) << '\t' << DescribeRoute(route, ascii) << '\n';
    }
    return kExitSuccess;
}

int RunCoverageCommand()
{
    ServerRoutes routes;
    routes.SetRdapBootstrap(CRegistryList().Load());
    std::map<std::string, int> totals;
    for (const IanaTopLevelDomain& entry : IanaTopLevelDomains()) {
        const QueryRoute route = routes.RegistryRouteFor("x." + std::string(entry.tld));
        const std::string description = DescribeRoute(route, entry.tld);
        std::cout << entry.tld << '\t' << description << '\n';
        const std::string reading = description.substr(description.rfind('\t') + 1);
        const ReplyRule* rule = RuleForName(entry.tld);
        if (!reading.starts_with("rules ")) {
            ++totals[reading == "general" ? "whois, general reading" : reading];
        } else {
            // The European address registry's rule: it holds no domain names to answer about.
            ++totals[rule->markers.empty() ? "whois, to a server that holds no domain names"
                                           : "whois, rules of its server"];
        }
    }
    for (const auto& [reading, count] : totals) {
        std::cerr << count << '\t' << reading << '\n';
    }
    return kExitSuccess;
}

int RunServersCommand(bool update, const std::optional<std::string>& url)
{
    CRegistryList list;
    if (!update) {
        std::cout << list.Describe().toStdString() << '\n';
        return kExitSuccess;
    }
    if (url) {
        list.SetDownloadUrl(QUrl(QString::fromStdString(*url)));
    }
    QObject::connect(&list, &CRegistryList::updateFinished, &list,
                     [](bool succeeded, const QString& message) {
                         std::cerr << message.toStdString() << '\n';
                         QCoreApplication::exit(succeeded ? kExitSuccess : kExitSomeFailed);
                     });
    list.Update();
    return QCoreApplication::exec();
}
