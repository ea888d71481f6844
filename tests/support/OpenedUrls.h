#pragma once

// Stands in for the desktop's link opener while a test runs.

#include <QUrl>

#include <functional>
#include <vector>

#include "widgets/Label.h"

namespace mollwick::test {

// Replaces the link opener for one test and records what it was asked to open.
class OpenedUrls {
public:
    OpenedUrls() : m_saved(CLabel::s_openUrl) {
        CLabel::s_openUrl = [this](const QUrl& url) { urls.push_back(url); };
    }
    ~OpenedUrls() { CLabel::s_openUrl = m_saved; }
    OpenedUrls(const OpenedUrls&) = delete;
    OpenedUrls& operator=(const OpenedUrls&) = delete;

    std::vector<QUrl> urls;

private:
    std::function<void(const QUrl&)> m_saved;
};

}  // namespace mollwick::test
