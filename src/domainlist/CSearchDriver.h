#pragma once

#include "search/CLookupEngine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <string>

class DomainListModel;
class MessageBoxSeam;

// Runs a search over the domain list: every checked row that is "Pending" or "No Answer" goes to
// the lookup engine, which asks several servers side by side; each answer is written into the
// row it was asked for, wherever that row is by then (by the row's id). A row without an answer
// gets "No Answer" and its reason, and the search goes on; nothing waits on a failed query.
//
// Rows may be added, checked, unchecked and deleted while the search runs: added and newly
// checked rows are asked too, unchecked and deleted ones are dropped before they are asked.
class CSearchDriver : public QObject
{
    Q_OBJECT

public:
    CSearchDriver(DomainListModel& model, CLookupEngine& engine, MessageBoxSeam& messageBoxes,
                  QObject* parent = nullptr);

    // "Search Domains": starts, or starts afresh, with every checked row that has no verdict.
    // With nothing to ask (no row checked, or every checked row answered) a box says why.
    void OnSearchDomains();
    // "Stop Search": always allowed; its box says how many names the search had still to ask,
    // or that no search runs.
    void OnStopSearch();
    bool IsSearchPending() const { return m_searchPending; }

signals:
    // The progress bar's state: `value` finished rows of `maximum` (at least 1, so that an empty
    // search never shows a busy bar), and the bar's text: the count, the time left and the server
    // that is paused, redrawn every second while the search runs; the value returns to 0 when the
    // search ends.
    void progressChanged(int value, int maximum, const QString& text);

private:
    void OnAnswered(CLookupEngine::Ticket ticket, const QueryResult& answer);
    void StepProgress();
    // Hands the rows from `first` to `last` that are to be asked and not yet handed over.
    int AskRows(int first, int last);
    // Hands the next rows of the list to the engine, a slice per turn of the event loop, so that
    // a search of a hundred thousand rows starts without freezing the window.
    void ScanOn();
    void RecountTotal();
    // After rows were deleted: those still to be answered no longer count.
    void RecountAsked();
    bool IsToBeAsked(int row) const;
    void Finish();
    // The end of a search: `heading`, then what DNS and the store gave, and how many names got no
    // answer in it.
    void ShowFinished(std::string heading);
    // The rows the search was to ask that have no answer from it yet.
    unsigned int CountUnanswered() const;
    void EndSearch();
    // The text is redrawn at most five times a second, unless `redraw`.
    void EmitProgress(bool redraw = false);
    QString ProgressText() const;

    DomainListModel& m_model;
    CLookupEngine& m_engine;
    bool m_searchPending = false;
    unsigned int m_doneCount = 0;
    unsigned int m_totalCount = 0;
    // Names without a verdict: those a new search may answer, and those none can ("No server
    // known for .zz", "Not a domain name").
    unsigned int m_noAnswerCount = 0;
    unsigned int m_notAskableCount = 0;
    // The rows from this id on are still to be scanned.
    std::uint32_t m_scanFromId = 0;
    bool m_scanning = false;
    // Handed to the engine, less those dropped or deleted: the rows answered and those to come.
    unsigned int m_askedCount = 0;
    unsigned int m_countAtStart = 0;
    MessageBoxSeam& m_messageBoxes;
    QElapsedTimer m_textClock;
    // Redraws the text while nothing arrives: the time left and the pauses change all the same.
    QTimer m_redrawTimer;
    // Redraws a text that an answer left behind, once five times a second allows.
    QTimer m_lateRedrawTimer;
    QString m_progressText;
};
