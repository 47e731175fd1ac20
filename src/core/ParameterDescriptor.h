#pragma once
// One host parameter as the description declares it: its place in the
// parameter list, id, range, unit and the labels of its discrete values.
// Immutable once the description is built; read from any thread.

#include "base/FourCC.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A discrete value's label. A label may have shorter alternatives for narrow
// host displays; each text sits at the index of its length, the full text also
// at the last index.
class ParameterValueLabel
{
public:
    static constexpr std::size_t kLastIndex = 31;

    // "On;1": the text ("On", alternatives separated by line feeds, longest
    // first) and the value after the last semicolon.
    static ParameterValueLabel FromLabelText(const std::string& labelText);

    float GetValue() const { return mValue; }
    const std::string& GetText() const { return mTexts[kLastIndex]; }
    // The text for a display of at most maxLength characters (-1: no limit).
    std::string TextForLength(std::int32_t maxLength) const;

private:
    std::array<std::string, kLastIndex + 1> mTexts;
    float mValue = 0.0f;
};

class ParameterDescriptor
{
public:
    // Flag bit 2: a host change of this parameter must be confirmed first.
    static constexpr std::int32_t kFlagNeedsConfirmation = 1 << 2;

    ParameterDescriptor(FourCharCode id, std::string internalName, std::int32_t unitType,
                        float minimum, float maximum, float defaultValue, float step,
                        std::int32_t stepCount, std::int32_t flags, std::int32_t kind);

    std::int32_t GetIndex() const { return mIndex; }
    void SetIndex(std::int32_t index) { mIndex = index; }
    FourCharCode GetId() const { return mId; }
    const std::string& GetInternalName() const { return mInternalName; }
    std::int32_t GetUnitType() const { return mUnitType; }
    float GetMinimum() const { return mMinimum; }
    float GetMaximum() const { return mMaximum; }
    float GetDefault() const { return mDefault; }
    float GetStep() const { return mStep; }
    std::int32_t GetStepCount() const { return mStepCount; }
    std::int32_t GetFlags() const { return mFlags; }
    std::int32_t GetKind() const { return mKind; }
    bool NeedsConfirmation() const { return (mFlags & kFlagNeedsConfirmation) != 0; }
    // Discrete parameters have value labels.
    bool IsDiscrete() const { return !mLabels.empty(); }

    void SetCustomUnit(std::string text, bool replacesUnitTable);
    bool HasCustomUnit() const { return mUseCustomUnit; }
    const std::string& GetCustomUnit() const { return mCustomUnit; }

    // labelText as "On;1".
    void AddValueLabel(const std::string& labelText);
    const std::vector<std::string>& GetValueLabelTexts() const { return mValueLabelTexts; }
    const std::vector<float>& GetValues() const { return mValues; }
    const std::vector<ParameterValueLabel>& GetLabels() const { return mLabels; }
    const ParameterValueLabel* FindLabel(float value) const;

    float Clamp(float value) const;

private:
    std::int32_t mIndex = -1;
    std::int32_t mUnitType = 0;
    float mMinimum = 0.0f;
    float mMaximum = 1.0f;
    float mDefault = 0.0f;
    float mStep = 1.0f;
    std::int32_t mStepCount = 1;
    std::string mCustomUnit;
    bool mUseCustomUnit = false;
    std::vector<float> mValues;
    std::vector<std::string> mValueLabelTexts;
    std::vector<ParameterValueLabel> mLabels;
    std::int32_t mFlags = 0;
    FourCharCode mId = 0;
    std::int32_t mKind = 0;
    std::string mInternalName;
};
