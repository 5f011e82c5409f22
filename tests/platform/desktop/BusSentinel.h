#pragma once

#include <QDBusConnection>
#include <QObject>

namespace quib::test {

// The sync point of a check that a signal was ignored: a sentinel signal sent
// after it from the same connection. The bus keeps the order of one sender's
// messages to one receiver, and the receiving connection hands them on in that
// order, so once the sentinel has arrived on the receiver's connection, the
// signal sent before it has been delivered there and handled.
class BusSentinel : public QObject {
    Q_OBJECT

  public:
    explicit BusSentinel(QDBusConnection receiver);

    // Sends the sentinel from `sender`; true once the receiver has it.
    bool passes(const QDBusConnection& sender);

  public slots:
    void arrived() { ++m_arrived; }

  private:
    int m_sent = 0;
    int m_arrived = 0;
};

}  // namespace quib::test
