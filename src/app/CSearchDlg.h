#pragma once

#include "QtMessageBoxes.h"
#include "controls/DialogTemplate.h"
#include "domainlist/CDomainListCtrl.h"
#include "domainlist/CListCommands.h"
#include "domainlist/CSearchDriver.h"
#include "whois/CWhoisSocket.h"

#include <QDialog>
#include <QHash>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

// The main window: the domain list, the search progress and the command buttons.
class CSearchDlg : public QDialog
{
    Q_OBJECT

public:
    // `messageBoxes` shows every box of the window and of its search; by default the window's
    // own modal boxes.
    explicit CSearchDlg(MessageBoxSeam* messageBoxes = nullptr, QWidget* parent = nullptr);
    ~CSearchDlg() override;

    // The window's controls, in dialog units.
    static std::span<const ControlTemplate> Template();

    // Sends every query to this server instead of the registries' (--whois-server).
    void SetWhoisServer(std::optional<ServerAddress> server);

    QWidget* Control(int id) const { return m_controls.value(id); }
    CDomainListCtrl& List() { return *m_list; }
    CSearchDriver& SearchDriver() { return m_searchDriver; }
    CWhoisSocket& WhoisSocket() { return m_whoisSocket; }
    CListCommands& ListCommands() { return m_listCommands; }

protected:
    // Closing the window (close box, Esc) ends any query at once, without a message.
    void done(int result) override;

private:
    void ConnectButtons();

    QtMessageBoxes m_ownMessageBoxes;
    MessageBoxSeam& m_messageBoxes;
    CWhoisSocket m_whoisSocket;
    // Owned by the window once it is built; created first because the driver works on them.
    CDomainListCtrl* m_list;
    QProgressBar* m_progressBar;
    CSearchDriver m_searchDriver;
    CListCommands m_listCommands;
    QHash<int, QWidget*> m_controls;
};
