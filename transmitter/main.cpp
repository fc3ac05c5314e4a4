// sigtx - the transmitting station.
#include "Startup.h"
#include "TransmitRun.h"

int main(int argc, char** argv) { return RunStation(argc, argv, TransmitterProfile); }
