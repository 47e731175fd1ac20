#pragma once
// Host controls of a process: what the host shows and automates. Each has an
// id, display names (alternatives separated by line feeds, longest first), a
// range and a value, and turns values into text for host displays.
//
// Threads: main thread only, also while the process renders. The render
// thread never reads a control; a process that needs a control's value while
// rendering keeps its own copy, one the two threads can share (an atomic).

#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <string>

// text cut to at most maxChars characters (-1: no limit).
std::string CutToLength(std::string text, std::int32_t maxChars);

class CPluginControl
{
public:
    CPluginControl(HostLib::FourCharCode id, std::string names);
    virtual ~CPluginControl() = default;
    CPluginControl(const CPluginControl&) = delete;
    CPluginControl& operator=(const CPluginControl&) = delete;

    HostLib::FourCharCode GetID() const { return mId; }
    const std::string& GetNames() const { return mNames; }

    virtual HostLib::EffectControlKind GetKind() const = 0;
    virtual double GetMin() const = 0;
    virtual double GetMax() const = 0;
    virtual double GetDefault() const = 0;
    // Number of values of a discrete control; 0 for a continuous one.
    virtual std::int32_t GetNumSteps() const = 0;
    // How a host display should show the value (0: plain).
    virtual std::int32_t GetDisplayKind() const { return 0; }
    // The value brought into range (and to a step for discrete controls).
    virtual double ConstrainValue(double value) const = 0;
    // The text for a value; maxChars -1: no limit.
    virtual std::string GetValueString(double value, std::int32_t maxChars) const = 0;

    double GetValue() const { return mValue; }
    // Stores the constrained value and returns it.
    double SetValue(double value);

    HostLib::EffectControlInfo Describe() const;

    // Whether the user holds the control in the plug-in's view (an
    // automation gesture); the process's view sets it.
    bool IsTouched() const { return mTouched; }
    void SetTouched(bool touched) { mTouched = touched; }

protected:
    // For constructors of derived controls, once their range is known.
    void InitValue(double value) { mValue = value; }

private:
    HostLib::FourCharCode mId = 0;
    std::string mNames;
    double mValue = 0.0;
    bool mTouched = false;
};

// Whole values from minimum to maximum.
class CPluginControl_Discrete : public CPluginControl
{
public:
    CPluginControl_Discrete(HostLib::FourCharCode id, std::string names, std::int32_t minimum,
                            std::int32_t maximum, std::int32_t defaultValue);

    HostLib::EffectControlKind GetKind() const override { return HostLib::EffectControlKind::Discrete; }
    double GetMin() const override { return mMin; }
    double GetMax() const override { return mMax; }
    double GetDefault() const override { return mDefault; }
    std::int32_t GetNumSteps() const override { return mMax - mMin + 1; }
    double ConstrainValue(double value) const override;
    // The value in decimal.
    std::string GetValueString(double value, std::int32_t maxChars) const override;

private:
    std::int32_t mMin = 0;
    std::int32_t mMax = 0;
    std::int32_t mDefault = 0;
};

// A switch: 0 off, 1 on.
class CPluginControl_OnOff : public CPluginControl_Discrete
{
public:
    CPluginControl_OnOff(HostLib::FourCharCode id, std::string names, bool defaultOn);

    HostLib::EffectControlKind GetKind() const override { return HostLib::EffectControlKind::OnOff; }
    // "on" or "off".
    std::string GetValueString(double value, std::int32_t maxChars) const override;
};

// Any value from minimum to maximum, spread evenly.
class CPluginControl_Linear : public CPluginControl
{
public:
    CPluginControl_Linear(HostLib::FourCharCode id, std::string names, double minimum, double maximum,
                          double defaultValue);

    HostLib::EffectControlKind GetKind() const override { return HostLib::EffectControlKind::Continuous; }
    double GetMin() const override { return mMin; }
    double GetMax() const override { return mMax; }
    double GetDefault() const override { return mDefault; }
    std::int32_t GetNumSteps() const override { return 0; }
    double ConstrainValue(double value) const override;
    // The value with two decimals.
    std::string GetValueString(double value, std::int32_t maxChars) const override;

private:
    double mMin = 0.0;
    double mMax = 1.0;
    double mDefault = 0.0;
};
