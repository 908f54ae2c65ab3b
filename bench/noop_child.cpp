// The smallest Windows program: the runner benchmark starts it over and over.
int main() {
    return 0;
}
