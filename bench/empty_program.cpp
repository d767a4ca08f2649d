// Does nothing: the cost of starting a Windows program, for the Wine benchmark to compare.
int main() {
    return 0;
}
