// timeline1: Part One to the lake loop.
#include "sequencer/show.h"

void RunPartOne(Show *show) {}
void RunPartTwo(Show *show) {}
void RunPartThree(Show *show) {}
void RunPartFour(Show *show) {}
void RunPartFive(Show *show) {}
void RunPartSix(Show *show) {}
void RunPartSeven(Show *show) {}
void RunLakeLoop(Show *show) {}
