// sigrx - the receiving station.
#include "ReceiveRun.h"
#include "Startup.h"

int main(int argc, char** argv) { return RunStation(argc, argv, ReceiverProfile); }
