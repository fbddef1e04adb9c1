#pragma once

#include <string>

// The page of the live display: one HTML document with its style sheet,
// script and the stop sign inside, so that it needs nothing else from the
// server (nor the access key for a second request).
const std::string &FeedPageHtml();
