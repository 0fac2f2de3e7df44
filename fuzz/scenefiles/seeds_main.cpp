// scene-seeds scenefile|lwscene OUTDIR: the starting inputs of a scene fuzzer
// (the fuzzer itself puts the first word in front of each).
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

static const char* const sceneFileSeeds[] = {
    "Version: 4\n<scene_bloc>\n<pixel_ratio> 1.3333\n<anim_speed> 60\n</scene_bloc>\n"
    "<scene_bloc>\n<load_camera> 'camera'\n<name_selection> 'camera'\n<pos_spliner> off\n<ang_spliner> off\n"
    "  <keyframe> 0\n  <pos> 1.00 2.00 3.00\n  <ang> 10.00 20.00 30.00\n<target> 0.50 -1.00 2.25\n"
    "  <keyframe> 100\n  <pos> -4.50 5.25 6.13\n  <ang> 90.00 0.00 -45.00\n"
    "<end> <--! ignor\xE9 par la version 4-->\n</scene_bloc>\n",
    "Version: 4\n<scene_bloc>\n<load_object> 'a.lwo' 'b.lwo' </load_object>\n<object_playspeed> 12\n"
    "<name_selection> 'a.lwo'\n<keyframe> 010 <pos> 1 2 3 <pos> 4 5 6\n</scene_bloc>\n",
    "Version: 3\n<name_selection> 'MainCamera' <keyframe> 2 <pos> 1 0 0 <ang> 0 0 0 <end>\n"
    "<load_object> 'x.lwo' <keyframe> 0x10 <pos> 2 0 0 <ang> 0 0 0 <end>\n",
    "Version 2 <name_selection> 'nobody' <keyframe> -5 <pos> 1e39 nan 3 <ang> 1 1 1\n",
};

static const char* const lightWaveSceneSeeds[] = {
    "FirstFrame 1\nLastFrame 60\nPreviewFirstFrame 0\nPreviewLastFrame 60\n"
    "LoadObject Objets\\missing.lwo\nShowObject 6 7\n"
    "ObjectMotion (unnamed)\n9\n2\n1 2 3 10 20 30 1 1 1\n0 0 0 0 0\n4 5 6 0 0 90 1 1 1\n30 0 0 0 0\nEndBehavior 1\n",
    "CameraMotion cam\n6\n1\n1 2 3 4 5 6\n7 0 0 0 0\nCameraMotion cam 9 0\n",
    "ObjectMotion a 2 3 1 2 0 0 0 0 0 3 4 5 0 0 0 0 9 9\n",
};

int main(int argc, char** argv)
{
    std::vector<const char*> seeds;
    if (argc == 3 && std::strcmp(argv[1], "scenefile") == 0)
        seeds.assign(std::begin(sceneFileSeeds), std::end(sceneFileSeeds));
    else if (argc == 3 && std::strcmp(argv[1], "lwscene") == 0)
        seeds.assign(std::begin(lightWaveSceneSeeds), std::end(lightWaveSceneSeeds));
    else {
        std::fprintf(stderr, "usage: scene-seeds scenefile|lwscene OUTDIR\n");
        return 2;
    }
    int n = 0;
    for (const char* seed : seeds) {
        std::string path = std::string(argv[2]) + "/seed" + std::to_string(n++);
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return 1;
        std::fputs(seed, f);
        std::fclose(f);
    }
    return 0;
}
