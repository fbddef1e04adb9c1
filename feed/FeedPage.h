#pragma once

#include <string>

// The page of the live display: one HTML document with its style sheet,
// script and the stop sign inside, so that it needs nothing else from the
// server (nor the access key for a second request).
const std::string &FeedPageHtml();
// Its Content-Security-Policy: its own style sheet and script (by their
// hashes) and pictures inside it only, the connections to this server only,
// no frame around it.
const std::string &FeedPagePolicy();
