#include "veltra/Text.h"
#include "veltra/headless/Headless.h"

namespace veltra::headless {

void DataSourceTracer::recordSourceAssigned(const String& statement) {
    trace_("recordsource " + quotedText(statement));
}

void DataSourceTracer::refreshed(bool succeeded) {
    trace_(succeeded ? "refresh Data1" : "refresh Data1 failed");
}

struct HeadlessForm::Instance {
    Instance(const TraceSink& trace, RecordingEvents& events)
        : tracer(trace), comboBox(data, host, trace) {
        tracingHost.setTrace(trace);
        tracingWindowing.setTrace(trace);
        data.addListener(&tracer);
        textBox.emplace(data);
        control.emplace(
            Surroundings{comboBox, data, *textBox, tracingHost, tracingWindowing, events});
    }
    ~Instance() {
        control.reset();
        textBox.reset();
        data.removeListener(&tracer);
    }

    DataSourceTracer tracer;
    DataControl data;
    HeadlessHost host;
    HeadlessWindowing windowing;
    TracingHost tracingHost{host};
    TracingWindowing tracingWindowing{windowing};
    HeadlessComboBox comboBox;
    std::optional<BoundTextBox> textBox;
    std::optional<Veltra> control;
};

HeadlessForm::HeadlessForm(TraceSink trace) : trace_(std::move(trace)), events_(trace_) {
}

HeadlessForm::~HeadlessForm() = default;

void HeadlessForm::newInstance() {
    instance_.reset();
    instance_ = std::make_unique<Instance>(trace_, events_);
    instance_->control->InitProperties();
}

void HeadlessForm::restoreInstance(PropertyBag& bag) {
    instance_.reset();
    instance_ = std::make_unique<Instance>(trace_, events_);
    instance_->control->ReadProperties(bag);
}

Veltra& HeadlessForm::control() {
    if (!instance_)
        newInstance();
    return *instance_->control;
}

HeadlessComboBox& HeadlessForm::comboBox() {
    control();
    return instance_->comboBox;
}

DataControl& HeadlessForm::dataSource() {
    control();
    return instance_->data;
}

BoundTextBox& HeadlessForm::textBox() {
    control();
    return *instance_->textBox;
}

HeadlessHost& HeadlessForm::host() {
    control();
    return instance_->host;
}

void HeadlessForm::type(const String& text) {
    for (const char16_t c : text)
        input([&] { comboBox().typeCharacter(c); });
}

// Keys sent while a sent key is handled join the queue and are delivered in turn.
void HeadlessForm::deliverSentKeys() {
    if (!instance_)
        return;
    while (const auto key = instance_->windowing.takePendingKey())
        instance_->comboBox.pressKey(*key);
}

} // namespace veltra::headless
