#include "core/ParameterDescriptor.h"

#include <algorithm>
#include <cstdlib>

ParameterValueLabel ParameterValueLabel::FromLabelText(const std::string& labelText)
{
    ParameterValueLabel label;
    const auto semicolon = labelText.rfind(';');
    const std::string texts = labelText.substr(0, semicolon);
    if (semicolon != std::string::npos)
        label.mValue = std::strtof(labelText.c_str() + semicolon + 1, nullptr);

    std::size_t start = 0;
    bool first = true;
    while (start <= texts.size())
    {
        const auto end = std::min(texts.find('\n', start), texts.size());
        const std::string text = texts.substr(start, end - start);
        if (first)
            label.mTexts[kLastIndex] = text;
        first = false;
        const std::size_t slot = std::min(text.size(), kLastIndex);
        if (!text.empty() && label.mTexts[slot].empty())
            label.mTexts[slot] = text;
        start = end + 1;
    }
    return label;
}

std::string ParameterValueLabel::TextForLength(std::int32_t maxLength) const
{
    if (maxLength < 0)
        return mTexts[kLastIndex];
    const std::size_t top = std::min<std::size_t>(static_cast<std::size_t>(maxLength), kLastIndex);
    for (std::size_t i = top; i >= 2; --i)
    {
        if (!mTexts[i].empty())
            return mTexts[i];
    }
    return mTexts[kLastIndex].substr(0, static_cast<std::size_t>(maxLength));
}

ParameterDescriptor::ParameterDescriptor(FourCharCode id, std::string internalName,
                                         std::int32_t unitType, float minimum, float maximum,
                                         float defaultValue, float step, std::int32_t stepCount,
                                         std::int32_t flags, std::int32_t kind)
    : mUnitType(unitType), mMinimum(minimum), mMaximum(maximum), mDefault(defaultValue),
      mStep(step), mStepCount(stepCount), mFlags(flags), mId(id), mKind(kind),
      mInternalName(std::move(internalName))
{
}

void ParameterDescriptor::SetCustomUnit(std::string text, bool replacesUnitTable)
{
    mCustomUnit = std::move(text);
    mUseCustomUnit = replacesUnitTable;
}

void ParameterDescriptor::AddValueLabel(const std::string& labelText)
{
    ParameterValueLabel label = ParameterValueLabel::FromLabelText(labelText);
    mValues.push_back(label.GetValue());
    mValueLabelTexts.push_back(labelText);
    mLabels.push_back(std::move(label));
}

const ParameterValueLabel* ParameterDescriptor::FindLabel(float value) const
{
    for (const auto& label : mLabels)
    {
        if (label.GetValue() == value)
            return &label;
    }
    return nullptr;
}

float ParameterDescriptor::Clamp(float value) const
{
    // NaN from a host goes to the minimum rather than through.
    if (!(value >= mMinimum))
        return mMinimum;
    return std::min(value, mMaximum);
}
