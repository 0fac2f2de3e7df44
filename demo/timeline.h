// The demo's whole run: music, display, the eight timed loops, tear-down.
#pragma once
#include "options.h"

int runTimeline();
int runTimeline(const ShowOptions& options);
