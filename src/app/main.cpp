#include "app/Application.h"

int main(int argc, char** argv) { return vantrel::runApplication(argc, argv); }
