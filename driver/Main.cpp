// Marrow: builds items.idb from the item tables of the current directory.
#include "driver/Driver.h"

int main(int argc, char** argv) { return RunMarrow(argc, argv); }
