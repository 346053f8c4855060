// Background: zdmond leaving the terminal as a classic daemon, without
// leaving its starter in the dark.
//
// detach() forks; the parent waits until the child reports that it is ready
// (exit 0) or why it could not start (the message on stderr, exit 1). The
// child starts a session of its own and continues in "/" with its standard
// streams on /dev/null. In the foreground (or under systemd) nothing forks
// and a failure is simply printed.
//
//   Background background;
//   if (!line.foreground) background.detach();     // returns in the child only
//   ... background.ready();   or   background.fail("cannot listen on ...");
#pragma once

#include <string>

namespace zdmond {

class Background {
public:
    Background() = default;
    ~Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void detach();
    void ready();
    // Prints the message (to the waiting parent when detached) and gives up the report pipe.
    void fail(const std::string& message);

private:
    int m_report = -1;
};

}  // namespace zdmond
