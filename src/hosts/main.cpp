// The program's entry: hands over to whichever desktop backend this build was made with.
#include "hosts/desktop.hpp"

int main() { return pellwick::runDesktop(); }
