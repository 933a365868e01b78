// demo-market: serves the local stand-in for the marketplaces until stopped.
#include <iostream>

int main() {
  std::cerr << "demo-market: not built yet\n";
  return 1;
}
