#include "CliCommands.h"
#include "query/QueryName.h"
#include "registry/CRegistryList.h"

#include <QCoreApplication>
#include <iostream>

void UseRegistryList(SearchOptions& options)
{
    options.routes.SetRdapBootstrap(CRegistryList().Load());
}

int RunServerCommand(SearchOptions options, const std::vector<std::string>& names)
{
    if (names.empty()) {
        return UsageError("server: name at least one domain name");
    }
    UseRegistryList(options);
    for (const std::string& name : names) {
        const QueryName query = ToQueryName(QByteArray::fromStdString(name));
        QueryRoute route;
        route.protocol = QueryRoute::Protocol::None;
        if (query.IsAskable()) {
            route = options.routes.RouteFor(query.ascii.toStdString());
        }
        std::cout << name << '\t';
        switch (route.protocol) {
        case QueryRoute::Protocol::Whois:
            std::cout << "whois\t" << route.whois.host << ':' << route.whois.port << '\n';
            break;
        case QueryRoute::Protocol::Rdap:
            std::cout << "rdap\t" << route.rdapBase << '\n';
            break;
        case QueryRoute::Protocol::None:
            std::cout << "none\tnone\n";
            break;
        }
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
