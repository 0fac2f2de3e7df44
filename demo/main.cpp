#include "timeline.h"

int main(int, char**)
{
    return runTimeline();
}
