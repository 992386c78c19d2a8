// A controller model whose output is recorded with the time of each byte.
#pragma once

#include <cstdint>
#include <vector>

#include "controller_model/controller_model.h"

struct SentByte {
    uint64_t timeUs;
    uint8_t byte;
    bool operator==(const SentByte&) const = default;
};

class ModelRecorder {
public:
    // One host write at nowUs; returns the bytes it produced at once.
    std::vector<uint8_t> Write(std::vector<uint8_t> bytes, uint64_t nowUs = 0) {
        const size_t before = sent.size();
        model.Receive(bytes.data(), bytes.size(), nowUs);
        return BytesFrom(before);
    }
    std::vector<uint8_t> AdvanceTo(uint64_t nowUs) {
        const size_t before = sent.size();
        model.AdvanceTo(nowUs);
        return BytesFrom(before);
    }
    std::vector<uint8_t> BytesFrom(size_t first) const {
        std::vector<uint8_t> bytes;
        for (size_t i = first; i < sent.size(); ++i) {
            bytes.push_back(sent[i].byte);
        }
        return bytes;
    }

    std::vector<SentByte> sent;
    ferrule::ControllerModel model{[this](uint64_t timeUs, uint8_t byte) {
        sent.push_back({timeUs, byte});
    }};
};
