#pragma once

#include "store/core/AnswerAges.h"
#include "store/core/AnswerStore.h"

#include <QObject>
#include <QThread>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The store of answers, worked on a thread of its own, so that a slow disk or another program's
// lock never holds up the window or the queries. Lookups come back as `looked` on the thread that
// owns this object; answers to remember are gathered and written together, within half a second.
class CRememberedAnswers : public QObject
{
    Q_OBJECT

public:
    CRememberedAnswers(std::string path, AnswerAges ages, QObject* parent = nullptr);
    // Writes what is still waiting, then ends the thread.
    ~CRememberedAnswers() override;

    // Looks up the newest answer of each name (ASCII, lower case); `looked` gives, in the same
    // order, the answers still fresh.
    void Look(std::uint64_t batch, std::vector<std::string> names);
    void Remember(StoredAnswer answer);
    // Writes what is waiting and returns once it is written (or has failed).
    void WriteNow();
    // Removes every remembered answer, those still waiting to be written too.
    void Forget();

    // What went wrong with the store since the last call, a line each.
    std::vector<std::string> TakeNotices();
    // Whether the store was given up: it answers nothing and writes nothing any more.
    bool HasGivenUp() const { return m_givenUp; }

signals:
    void looked(std::uint64_t batch, const std::vector<std::optional<StoredAnswer>>& fresh);

private:
    void StartWriting();
    // On the store's thread: opens the store on first use; false when it cannot be used.
    bool Usable();
    // On the store's thread: hands the store's notices to this object's thread.
    void PassNotices();

    AnswerAges m_ages;
    QThread m_thread;
    // Lives on m_thread; its store is used from there only.
    QObject m_worker;
    std::unique_ptr<AnswerStore> m_store;
    bool m_opened = false;
    std::vector<StoredAnswer> m_toWrite;
    QTimer m_writeTimer;
    std::vector<std::string> m_notices;
    bool m_givenUp = false;
};
