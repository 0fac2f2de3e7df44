// The demo's whole run: music, display, the eight timed loops, tear-down.
#pragma once

int runTimeline();
