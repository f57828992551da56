#pragma once
// The window around the meter link, reduced to what a benchmark needs: the
// port list and a count of the frames shown. It keeps no frames, so a long
// run measures the link and not a growing list.

#include "link/LinkHost.h"

#include <QStringList>

class CountingHost : public LinkHost {
public:
    QStringList ports;
    int frames = 0;
    int portCount() const override { return int(ports.size()); }
    QString portText(int i) const override { return ports.value(i); }
    void selectPort(int) override {}
    void removePort(int i) override { ports.removeAt(i); }
    void setControlEnabled(LinkControl, bool) override {}
    void setStatus(const QString&, const QString&) override {}
    void setNoConnectionVisible(bool) override {}
    void showLiveFrame(const LiveFrame&, bool) override { ++frames; }
};
