#include "service/CapsuletMain.h"

int main(int argc, char **argv) { return qn::capsuletMain(argc, argv); }
