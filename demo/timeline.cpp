#include "timeline.h"

#include "platform.h"
#include "toolkit.h"

int runTimeline()
{
    return 0;
}
