#include "QsoScript.h"

namespace audio {

SimRandom::SimRandom(uint64_t seed) : s_(seed ^ 0x5DEECE66Dull) {}

uint64_t SimRandom::next() {
    uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SimRandom::uniform() {
    return double(next() >> 11) * 0x1.0p-53;
}
double SimRandom::uniform(double a, double b) {
    return a + (b - a) * uniform();
}
int SimRandom::below(int n) {
    return n <= 1 ? 0 : int(next() % uint64_t(n));
}

namespace {

const char* const kNames[] = {"Hans",  "Peter", "John",  "Mike",  "Jean",  "Luis",  "Marco",
                              "Pekka", "Lars",  "Jan",   "Wim",   "Petr",  "Tomek", "Laszlo",
                              "Dan",   "Ivan",  "Ante",  "Bojan", "Franz", "Urs",   "Bob",
                              "Bill",  "Ed",    "Gord",  "Taro",  "Bruce", "Ian",   "Paulo",
                              "Diego", "Anna",  "Maria", "Sue",   "Karin", "Eva"};
const char* const kQths[] = {"Hamburg",  "Bristol", "Lyon",    "Valencia", "Turin",  "Espoo",
                             "Uppsala",  "Utrecht", "Ghent",   "Brno",     "Krakow", "Szeged",
                             "Cluj",     "Varna",   "Split",   "Maribor",  "Graz",   "Bern",
                             "Denver",   "Ohio",    "Boston",  "Ottawa",   "Osaka",  "Perth",
                             "Auckland", "Recife",  "Cordoba", "Aarhus",   "Bergen", "Porto"};
const char* const kRigs[] = {"IC-7300", "FT-991A", "TS-590SG", "K3",     "FT-710",
                             "IC-7610", "FT-817",  "KX3",      "TS-480", "homebrew 20 m rig"};
const char* const kAntennas[] = {"dipole",     "G5RV",          "end-fed wire", "3 el yagi",
                                 "vertical",   "magnetic loop", "long wire",    "hex beam",
                                 "inverted V", "Windom"};
const char* const kWeather[] = {
    "sunny",   "cloudy",   "rainy",          "windy",         "foggy",
    "snowing", "overcast", "clear and cold", "hot and humid", "thunderstorms around"};
const char* const kGreetings[] = {"Good morning", "Good afternoon", "Good evening", "Hello"};
const char* const kClosings[] = {"73 and good DX", "Best 73", "73 and hope to meet again", "Vy 73",
                                 "73 and take care"};
const int kPowers[] = {5, 10, 25, 50, 100};

std::string repeat3(const std::string& s) {
    return s + " " + s + " " + s;
}

} // namespace

QsoScript::QsoScript(SimRandom& rng) : rng_(rng) {
    newQso();
}

std::string QsoScript::callsign() {
    // Q prefixes are never allocated, so these calls can belong to no one: Q, a letter, a
    // digit and one to three letters (QA7XYZ), a shape word capture still takes for a call.
    std::string call = "Q";
    call += char('A' + rng_.below(26));
    call += char('0' + rng_.below(10));
    const int letters = 1 + rng_.below(3);
    for (int i = 0; i < letters; ++i)
        call += char('A' + rng_.below(26));
    return call;
}

Operator QsoScript::makeOperator() {
    Operator op;
    op.call = callsign();
    op.name = rng_.pick(kNames);
    op.qth = rng_.pick(kQths);
    op.rig = rng_.pick(kRigs);
    op.antenna = rng_.pick(kAntennas);
    op.power = kPowers[rng_.below(5)];
    return op;
}

void QsoScript::newQso() {
    ops_[0] = makeOperator();
    do
        ops_[1] = makeOperator();
    while (ops_[1].call == ops_[0].call);
    over_ = 0;
}

bool QsoScript::nextOver(std::string& text, int& station) {
    const Operator& a = ops_[0];
    const Operator& b = ops_[1];
    const std::string nl = "\r\n";
    const std::string rst =
        std::to_string(4 + rng_.below(2)) + std::to_string(5 + rng_.below(5)) + "9";
    const std::string temp = std::to_string(rng_.below(31) - 5);
    text.clear();
    switch (over_++) {
    case 0:
        station = 0;
        text = nl + "CQ CQ CQ de " + repeat3(a.call) + nl + "CQ CQ CQ de " + repeat3(a.call) +
               " pse k" + nl;
        break;
    case 1:
        station = 1;
        text = nl + a.call + " " + a.call + " de " + repeat3(b.call) + " pse k" + nl;
        break;
    case 2:
        station = 0;
        text = nl + b.call + " de " + a.call + nl + rng_.pick(kGreetings) +
               " and thanks for the call." + nl + "Your RST is " + rst + " " + rst + nl +
               "My name is " + a.name + " " + a.name + " and my QTH is " + a.qth + " " + a.qth +
               "." + nl + "How copy? " + b.call + " de " + a.call + " kn" + nl;
        break;
    case 3:
        station = 1;
        text = nl + a.call + " de " + b.call + nl + "RR " + a.name +
               ", tnx for the report. You are " + rst + " here" +
               (rng_.below(2) ? " with some QSB." : ".") + nl + "Name here is " + b.name + " " +
               b.name + ", QTH " + b.qth + "." + nl + "Rig is " + b.rig + " running " +
               std::to_string(b.power) + " W into a " + b.antenna + "." + nl + "WX here is " +
               rng_.pick(kWeather) + ", " + temp + " C." + nl + "BTU " + a.name + " " + a.call +
               " de " + b.call + " kn" + nl;
        break;
    case 4:
        station = 0;
        text = nl + b.call + " de " + a.call + nl + "FB " + b.name + ", solid copy." + nl +
               "Rig here is a " + a.rig + " at " + std::to_string(a.power) + " W, antenna a " +
               a.antenna + "." + nl + "WX " + rng_.pick(kWeather) + " and " + temp + " C." + nl +
               "Been on PSK31 for " + std::to_string(1 + rng_.below(20)) + " years." + nl +
               "QSL via bureau. " + rng_.pick(kClosings) + nl + b.call + " de " + a.call + " sk" +
               nl;
        break;
    case 5:
        station = 1;
        text = nl + a.call + " de " + b.call + nl + "Tnx for the nice QSO " + a.name + ". " +
               rng_.pick(kClosings) + nl + a.call + " de " + b.call + " sk tu ee" + nl;
        break;
    default:
        return false;
    }
    return true;
}

} // namespace audio
