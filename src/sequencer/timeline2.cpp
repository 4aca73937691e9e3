// timeline2: Part Eight to the credits. Placeholder bodies that draw nothing
// until the parts are written here.
#include "sequencer/show.h"

void RunPartEight(Show *show) {}
void RunPartNine(Show *show) {}
void RunPartTen(Show *show) {}
void RunPartEleven(Show *show) {}
void RunPartTwelve(Show *show) {}
void RunPart13(Show *show) {}
void RunPart15(Show *show) {}
void RunButterflies(Show *show) {}
void RunCredits(Show *show) {}
