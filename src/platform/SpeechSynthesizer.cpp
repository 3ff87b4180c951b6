#include "SpeechSynthesizer.h"

SpeechSynthesizer::SpeechSynthesizer(QObject* parent) : QObject(parent) {}

SpeechSynthesizer::~SpeechSynthesizer() = default;
