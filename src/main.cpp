#include <cstdio>

int main() {
  std::puts("quiquadrado: the dialogue is not built yet.");
  return 0;
}
