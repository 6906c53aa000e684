#pragma once

#include "core/kits/kit.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "session/projectcommand.h"

#include <functional>
#include <type_traits>
#include <utility>

namespace pleq {

// The value a core operation `void change(Project&, Value)` takes.
template<typename Operation> struct OperationValue;
template<typename Value> struct OperationValue<void (*)(Project&, Value)> {
    using type = std::remove_cvref_t<Value>;
};

// One setting of the parameters and layout windows as one step: `Get` reads
// the setting from the project (a member or a function), `Change` is the core
// operation the edit runs, `Restore` the one undo and redo run with the value
// `Get` read (the same operation unless the edit changes more than its value).
// `Text` names the step in "Отменить"; a `MergeId` of 0 or more makes the
// keys of one typing one step.
template<auto Get, auto Change, const char* Text, int MergeId = -1, auto Restore = Change>
class EditSetter : public PartCommand<std::remove_cvref_t<std::invoke_result_t<decltype(Get), const Project&>>>
{
    using Part = std::remove_cvref_t<std::invoke_result_t<decltype(Get), const Project&>>;
    using Value = typename OperationValue<decltype(Change)>::type;

public:
    EditSetter(Project& project, Value value)
        : PartCommand<Part>(project, QString::fromUtf8(Text))
        , m_value(std::move(value))
    {
    }
    int id() const override { return MergeId; }
    bool mergeWith(const QUndoCommand* other) override { return MergeId >= 0 && this->mergeAfter(other); }

private:
    void edit() override { Change(this->project(), m_value); }
    Part read() const override { return std::invoke(Get, std::as_const(this->project())); }
    void write(const Part& part) override { Restore(this->project(), part); }

    Value m_value;
};

// The kit with the orientation its change checks.
using KitSetting = std::pair<Kit, bool>;
KitSetting kitSetting(const Project& project);
void restoreKit(Project& project, const KitSetting& setting);

namespace stepText {
inline constexpr char Executor[] = "Исполнитель";
inline constexpr char PlateName[] = "Наименование";
inline constexpr char FirstWell[] = "Первая лунка";
inline constexpr char Repetitions[] = "Повторности";
inline constexpr char ControlCount[] = "Контроли";
inline constexpr char Material[] = "Материал";
inline constexpr char Orientation[] = "Ориентация";
inline constexpr char Kit[] = "Набор";
} // namespace stepText

// The executor and the plate name are typed: the keys of one typing make one step.
using ExecutorEdit = EditSetter<&Project::executor, &changeExecutor, stepText::Executor, 1>;
using PlateNameEdit = EditSetter<&Project::plateName, &changePlateName, stepText::PlateName, 2>;
using FirstWellChoice = EditSetter<&Project::firstWell, &changeFirstWell, stepText::FirstWell>;
using RepetitionsChoice = EditSetter<&Project::repetitions, &changeRepetitions, stepText::Repetitions>;
using ControlCountChoice = EditSetter<&Project::controlCount, &changeControlCount, stepText::ControlCount>;
using MaterialChoice = EditSetter<&Project::material, &changeMaterial, stepText::Material>;
using OrientationChoice = EditSetter<&Project::horizontal, &changeOrientation, stepText::Orientation>;
// The kit change also checks the vertical orientation: its undo puts back the
// kit and the orientation.
using KitChoice = EditSetter<&kitSetting, static_cast<void (*)(Project&, Kit)>(&changeKit), stepText::Kit, -1,
                             static_cast<void (*)(Project&, const KitSetting&)>(&restoreKit)>;

} // namespace pleq
