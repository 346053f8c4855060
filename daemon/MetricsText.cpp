#include "daemon/MetricsText.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace zdmond {

namespace {

std::string escaped(const std::string& value, bool help)
{
    std::string text;
    for (char c : value) {
        if (c == '\\') text += "\\\\";
        else if (c == '\n') text += "\\n";
        else if (c == '"' && !help) text += "\\\"";
        else text += c;
    }
    return text;
}

std::string number(double value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        char text[32];
        std::snprintf(text, sizeof(text), "%.0f", value);
        return text;
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.17g", value);
    return text;
}

}  // namespace

void MetricsText::family(const std::string& name, const std::string& type, const std::string& help)
{
    if (m_index.count(name)) return;
    m_index[name] = m_families.size();
    m_families.push_back({name, type, help, {}});
}

void MetricsText::sample(const std::string& name, const MetricLabels& labels, double value)
{
    auto found = m_index.find(name);
    if (found == m_index.end()) throw std::logic_error("metric family not declared: " + name);
    std::string line = name;
    if (!labels.empty()) {
        line += "{";
        for (size_t i = 0; i < labels.size(); ++i)
            line += (i ? "," : "") + labels[i].first + "=\"" + escaped(labels[i].second, false) + "\"";
        line += "}";
    }
    m_families[found->second].samples.push_back(line + " " + number(value));
}

std::string MetricsText::render() const
{
    std::string page;
    for (const Family& family : m_families) {
        page += "# HELP " + family.name + " " + escaped(family.help, true) + "\n";
        page += "# TYPE " + family.name + " " + family.type + "\n";
        for (const std::string& sample : family.samples) page += sample + "\n";
    }
    return page;
}

void MetricsText::append(const MetricsText& other)
{
    for (const Family& family : other.m_families) {
        this->family(family.name, family.type, family.help);
        auto& samples = m_families[m_index[family.name]].samples;
        samples.insert(samples.end(), family.samples.begin(), family.samples.end());
    }
}

}  // namespace zdmond
