#include "daemon/Background.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zdmond {

namespace {

// Writes the report; a starter that has gone away leaves nobody to tell.
void report(int fd, const std::string& text)
{
    ssize_t written = write(fd, text.data(), text.size());
    (void)written;
    close(fd);
}

}  // namespace

Background::~Background()
{
    if (m_report >= 0) close(m_report);
}

void Background::detach()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("zdmond: pipe");
        std::exit(1);
    }
    pid_t child = fork();
    if (child < 0) {
        std::perror("zdmond: fork");
        std::exit(1);
    }
    if (child > 0) {
        close(fds[1]);
        std::string report;
        char buffer[512];
        ssize_t got;
        while ((got = read(fds[0], buffer, sizeof(buffer))) > 0) report.append(buffer, static_cast<size_t>(got));
        if (report == "ok") std::exit(0);
        std::fprintf(stderr, "zdmond: %s\n", report.empty() ? "ended during start-up" : report.c_str());
        std::exit(1);
    }
    close(fds[0]);
    m_report = fds[1];
    setsid();
    int changed = chdir("/");  // "/" is always there; nothing relies on the working directory
    (void)changed;
    int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        close(null);
    }
}

void Background::ready()
{
    if (m_report < 0) return;
    report(m_report, "ok");
    m_report = -1;
}

void Background::fail(const std::string& message)
{
    if (m_report < 0) {
        std::fprintf(stderr, "zdmond: %s\n", message.c_str());
        return;
    }
    report(m_report, message);
    m_report = -1;
}

}  // namespace zdmond
