#pragma once
// Runs a test with the local clock of a named time zone (TZ), and puts back
// the zone there was when the scope ends.

#include <QByteArray>
#include <ctime>

class LocalZone {
public:
    explicit LocalZone(const char* zone)
        : old(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~LocalZone()
    {
        if (old.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", old);
        ::tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    QByteArray old;
};
