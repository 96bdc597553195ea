// A function one line over the limit the test gives (8), beside one within it.
namespace fixture {
int overTheLimit(int a) {
    auto twice = [](int x) {
        return 2 * x;
    };
    a = twice(a);
    a += 1;
    return a;
}

int withinTheLimit(int a) { return a + 1; }
}  // namespace fixture
