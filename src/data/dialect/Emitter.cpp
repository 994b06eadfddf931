#include "dialect/Emitter.h"

#include "veltra/Error.h"

#include <algorithm>

namespace veltra::dialect {

namespace {

bool isAggregateCall(const Expr& expr) {
    static const std::string_view kAggregates[] = {"count", "min", "max", "sum", "avg"};
    return expr.kind == Expr::Kind::Call &&
           std::find(std::begin(kAggregates), std::end(kAggregates), asciiLower(expr.text)) !=
               std::end(kAggregates);
}

// Visits the expression and its operands, not the queries inside it.
template <typename Visit>
void visitOwn(const Expr& expr, Visit&& visit) {
    visit(expr);
    for (const auto& operand : expr.operands)
        visitOwn(*operand, visit);
}

bool containsAggregate(const Expr& expr) {
    bool found = false;
    visitOwn(expr, [&](const Expr& e) { found = found || isAggregateCall(e); });
    return found;
}

// The columns that the condition compares with a text or matches with a like pattern.
void comparedColumns(const Expr& condition, std::vector<const Expr*>& out) {
    static const std::string_view kComparisons[] = {"=", "<>", "<", ">", "<=", ">="};
    visitOwn(condition, [&](const Expr& e) {
        if (e.kind == Expr::Kind::Like && e.operands[0]->kind == Expr::Kind::Column)
            out.push_back(e.operands[0].get());
        if (e.kind == Expr::Kind::Binary &&
            std::find(std::begin(kComparisons), std::end(kComparisons), e.text) !=
                std::end(kComparisons))
            for (int side = 0; side < 2; ++side)
                if (e.operands[side]->kind == Expr::Kind::Column &&
                    e.operands[1 - side]->kind == Expr::Kind::Text)
                    out.push_back(e.operands[side].get());
    });
}

std::string joined(const std::vector<std::string>& parts, const char* separator = ", ") {
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

std::string upper(std::string text) {
    for (auto& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return text;
}

bool isColumn(const ExprPtr& expr) {
    return expr && expr->kind == Expr::Kind::Column;
}

} // namespace

std::string quoteName(std::string_view name) {
    std::string out = "\"";
    for (char c : name)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

bool aggregates(const Core& core) {
    if (!core.groupBy.empty() || (core.having && containsAggregate(*core.having)))
        return true;
    return std::any_of(core.items.begin(), core.items.end(), [](const SelectItem& item) {
        return item.expr && containsAggregate(*item.expr);
    });
}

Translation::Translation(std::shared_ptr<const Statement> statement, std::string sql,
                         std::vector<std::string> tableNames, std::vector<std::string> parameters,
                         std::set<std::size_t> untyped)
    : statement_(std::move(statement)), sql_(std::move(sql)), tableNames_(std::move(tableNames)),
      parameters_(std::move(parameters)), untyped_(std::move(untyped)) {
}

std::string Translation::render(const std::map<std::string, std::string>& readFrom) const {
    std::string sql;
    sql.reserve(sql_.size() + 64);
    for (std::size_t i = 0; i < sql_.size(); ++i) {
        if (sql_[i] != '\x01') {
            sql += sql_[i];
            continue;
        }
        const auto end = sql_.find('\x02', i);
        const auto number = static_cast<std::size_t>(std::stoul(sql_.substr(i + 1, end - i - 1)));
        i = end;
        const auto& reference = tables()[number];
        const auto replacement = readFrom.find(asciiLower(reference.name));
        if (replacement == readFrom.end()) {
            sql += tableNames_[number];
            continue;
        }
        sql += replacement->second;
        if (reference.alias.empty())
            sql += " AS " + tableNames_[number];
    }
    return sql;
}

bool Emitter::Scope::single() const {
    return core && core->from.size() == 1 && core->from[0].joins.empty() &&
           !core->from[0].source.query;
}

Translation Emitter::translate(std::shared_ptr<const Statement> statement) {
    statement_ = std::move(statement);
    tableNames_.clear();
    parameters_.clear();
    untyped_.clear();
    textNumbers_.clear();
    for (const auto& table : statement_->tables())
        tableNames_.push_back(name(table.name));
    std::string sql = query(statement_->select(), Place::Outermost);
    return Translation(statement_, std::move(sql), tableNames_, parameters_, untyped_);
}

namespace {

// The upper end of the folded texts that begin with a prefix: the prefix followed by the
// highest code point.
std::string afterPrefix(const std::string& prefix) {
    return prefix + "\xF4\x8F\xBF\xBF";
}

} // namespace

std::string Emitter::like(const Expr& like, const std::string& operand) {
    const LikePattern pattern(like.text);
    const std::string value = likeValue(operand);
    std::vector<std::string> conditions;
    if (pattern.isLiteral()) {
        conditions.push_back(likeBound(value, "=", parameter(pattern.prefix())));
    } else {
        if (!pattern.prefix().empty()) {
            conditions.push_back(likeBound(value, ">=", parameter(pattern.prefix())));
            conditions.push_back(likeBound(value, "<", parameter(afterPrefix(pattern.prefix()))));
        }
        if (!pattern.isPrefixOnly())
            conditions.push_back(likeMatch(value, like.text, pattern));
    }
    if (conditions.empty())
        conditions.push_back(operand + " IS NOT NULL");
    std::string expression;
    for (const auto& condition : conditions)
        expression += (expression.empty() ? "" : " AND ") + condition;
    return (like.negated ? "NOT (" : "(") + expression + ")";
}

std::string Emitter::parameter(std::string value, bool text) {
    parameters_.push_back(std::move(value));
    if (!text)
        untyped_.insert(parameters_.size() - 1);
    return parameterName(parameters_.size());
}

std::string Emitter::textParameter(const Expr& text, bool typed) {
    if (const auto known = textNumbers_.find(text.parameter); known != textNumbers_.end())
        return parameterName(known->second);
    std::string written = parameter(text.text, typed);
    textNumbers_[text.parameter] = parameters_.size();
    return written;
}

void Emitter::leaveUntyped(const Expr& text) {
    if (const auto known = textNumbers_.find(text.parameter); known != textNumbers_.end())
        untyped_.insert(known->second - 1);
}

std::string Emitter::query(const Select& select, Place place) {
    std::string sql;
    Scope sortScope;
    for (std::size_t i = 0; i < select.cores.size(); ++i) {
        Scope scope = scopeOf(select.cores[i]);
        if (i > 0)
            sql += " " + upper(select.operators[i - 1]) + " ";
        sql += core(select.cores[i], scope);
        if (select.cores.size() == 1)
            sortScope = std::move(scope);
    }
    sortScope.sorting = true;
    // Only the statement's own rows are read in order: a query inside it is ordered only when
    // it says so.
    if (place == Place::Outermost || !select.orderBy.empty())
        sql += orderBy(select, sortScope);
    if (select.limit) {
        sql += " LIMIT " + select.limit->text;
        if (select.offset)
            sql += " OFFSET " + select.offset->text;
    }
    return sql;
}

// A GROUP BY term that is a text column groups its rows folded; the select list shows such
// a column through the group's smallest exact text, the same on every engine.
Emitter::Scope Emitter::scopeOf(const Core& core) {
    Scope scope;
    scope.core = &core;
    for (const auto& term : core.groupBy)
        if (isColumn(term) && isText(*term, scope))
            scope.grouped.insert(asciiLower(term->text));
    for (const auto& item : core.items)
        if (isColumn(item.expr) && scope.grouped.contains(asciiLower(item.expr->text)))
            scope.shownByMin.insert(asciiLower(item.expr->text));
    return scope;
}

std::string Emitter::core(const Core& core, Scope& scope) {
    std::vector<std::string> items;
    for (const auto& item : core.items)
        items.push_back(selectItem(item, scope));
    std::string sql = std::string("SELECT ") + (core.distinct ? "DISTINCT " : "") + joined(items);
    if (!core.from.empty()) {
        std::vector<std::string> from;
        for (const auto& item : core.from)
            from.push_back(fromItem(item));
        sql += " FROM " + joined(from);
    }
    if (core.where)
        sql += " WHERE " + expression(*core.where, scope);
    if (!core.groupBy.empty()) {
        std::vector<std::string> terms;
        for (const auto& term : core.groupBy) {
            if (isColumn(term) && scope.grouped.contains(asciiLower(term->text)))
                terms.push_back(folded(groupKey(*term, scope)));
            else
                terms.push_back(expression(*term, scope));
        }
        sql += " GROUP BY " + joined(terms);
    }
    if (core.having)
        sql += " HAVING " + expression(*core.having, scope);
    return sql;
}

std::string Emitter::selectItem(const SelectItem& item, Scope& scope) {
    if (!item.expr)
        return item.qualifier.empty() ? "*" : name(item.qualifier) + ".*";
    if (isColumn(item.expr) && scope.shownByMin.contains(asciiLower(item.expr->text)))
        return smallest(column(*item.expr, scope)) + " AS " +
               name(item.alias.empty() ? item.expr->text : item.alias);
    return expression(*item.expr, scope) + (item.alias.empty() ? "" : " AS " + name(item.alias));
}

std::string Emitter::fromItem(const FromItem& item) {
    std::string sql = source(item.source);
    for (const auto& join : item.joins) {
        sql += " " + upper(join.kind) + " " + source(join.source);
        if (join.on)
            sql += " ON " + expression(*join.on, Scope{});
        if (!join.columns.empty()) {
            std::vector<std::string> columns;
            for (const auto& column : join.columns)
                columns.push_back(name(column));
            sql += " USING (" + joined(columns) + ")";
        }
    }
    return sql;
}

std::string Emitter::source(const Source& source) {
    std::string sql;
    if (source.query) {
        sql = "(" + query(*source.query) + ")";
    } else {
        checkTable(source);
        sql = source.table >= 0 ? "\x01" + std::to_string(source.table) + "\x02"
                                : name(source.schema) + "." + name(source.name);
    }
    return source.alias.empty() ? sql : sql + " AS " + name(source.alias);
}

std::string Emitter::referenceName(const Source& source) const {
    if (!source.alias.empty())
        return name(source.alias);
    return source.schema.empty() ? name(source.name)
                                 : name(source.schema) + "." + name(source.name);
}

std::string Emitter::orderBy(const Select& select, const Scope& scope) {
    std::vector<std::string> keys;
    for (const auto& term : select.orderBy)
        keys.push_back(orderKey(term, scope) + (term.descending ? " DESC" : ""));
    if (scope.core) {
        const auto more = tieBreaks(select, scope);
        keys.insert(keys.end(), more.begin(), more.end());
    }
    return keys.empty() ? "" : " ORDER BY " + joined(keys);
}

std::string Emitter::orderKey(const OrderTerm& term, const Scope& scope) {
    const Expr& expr = *term.expr;
    if (expr.kind == Expr::Kind::Column && scope.grouped.contains(asciiLower(expr.text)))
        return folded(groupKey(expr, scope));
    const std::string text = expression(expr, scope);
    return isText(expr, scope) ? folded(text) : text;
}

// What orders the rows that the statement's own order leaves tied: a grouped statement's
// groups by their keys; other rows by the folded and the exact text of the columns ordered
// by (or, without an order, compared with texts), then by the rows' own keys.
std::vector<std::string> Emitter::tieBreaks(const Select& select, const Scope& scope) {
    const Core& core = *scope.core;
    std::vector<std::string> keys;
    if (core.distinct)
        return keys;
    const auto ordered = [&](const Expr& column) {
        return std::any_of(select.orderBy.begin(), select.orderBy.end(), [&](const OrderTerm& t) {
            return t.expr->kind == Expr::Kind::Column && sameName(t.expr->text, column.text) &&
                   sameName(t.expr->qualifier, column.qualifier);
        });
    };
    if (!core.groupBy.empty()) {
        for (const auto& term : core.groupBy)
            if (isColumn(term) && scope.grouped.contains(asciiLower(term->text)) && !ordered(*term))
                keys.push_back(folded(groupKey(*term, scope)));
        return keys;
    }
    if (aggregates(core))
        return keys;
    std::vector<std::pair<const Expr*, bool>> columns; // and whether descending
    if (select.orderBy.empty() && core.where) {
        std::vector<const Expr*> compared;
        comparedColumns(*core.where, compared);
        for (const auto* column : compared)
            columns.emplace_back(column, false);
    }
    for (const auto& term : select.orderBy)
        visitOwn(*term.expr, [&](const Expr& e) {
            if (e.kind == Expr::Kind::Column)
                columns.emplace_back(&e, term.descending);
        });
    std::set<std::string> seen;
    for (const auto& [column, descending] : columns) {
        if (!seen.insert(asciiLower(column->qualifier) + "." + asciiLower(column->text)).second)
            continue;
        const std::string direction = descending ? " DESC" : "";
        const std::string text = expression(*column, scope);
        const bool isTextColumn = isText(*column, scope);
        if (!ordered(*column))
            keys.push_back((isTextColumn ? folded(text) : text) + direction);
        if (isTextColumn)
            keys.push_back(exact(text) + direction);
    }
    const auto rows = rowKeys(core);
    keys.insert(keys.end(), rows.begin(), rows.end());
    return keys;
}

std::vector<std::string> Emitter::rowKeys(const Core& core) const {
    std::vector<std::string> keys;
    const auto add = [&](const Source& source) {
        if (!source.query)
            if (auto key = rowKey(source))
                keys.push_back(std::move(*key));
    };
    for (const auto& item : core.from) {
        add(item.source);
        for (const auto& join : item.joins)
            add(join.source);
    }
    return keys;
}

std::string Emitter::groupKey(const Expr& column, const Scope& scope) {
    return this->column(column, scope);
}

std::string Emitter::groupedInSort(const Expr& column, const Scope& scope) {
    return this->column(column, scope);
}

std::string Emitter::call(const Expr& call, const std::vector<std::string>& arguments) {
    return asciiLower(call.text) + "(" + (call.distinct ? "DISTINCT " : "") + joined(arguments) +
           ")";
}

std::string Emitter::column(const Expr& column, const Scope&) {
    return (column.schema.empty() ? "" : name(column.schema) + ".") +
           (column.qualifier.empty() ? "" : name(column.qualifier) + ".") + name(column.text);
}

void Emitter::checkTable(const Source&) const {
}

std::string Emitter::operand(const Expr& expr, const Scope& scope) {
    using Kind = Expr::Kind;
    const std::string text = expression(expr, scope);
    switch (expr.kind) {
    case Kind::Number:
    case Kind::Text:
    case Kind::Null:
    case Kind::Boolean:
    case Kind::Column:
    case Kind::AllRows:
    case Kind::Call:
    case Kind::Exists:
    case Kind::Subquery:
        return text;
    default:
        return "(" + text + ")";
    }
}

std::string Emitter::binary(const Expr& expr, const Scope& scope) {
    const Expr& left = *expr.operands[0];
    const Expr& right = *expr.operands[1];
    static const std::string_view kComparisons[] = {"=", "<>", "<", ">", "<=", ">="};
    const bool comparison = std::find(std::begin(kComparisons), std::end(kComparisons),
                                      expr.text) != std::end(kComparisons);
    // Written left to right, so that the texts are numbered in the order they are written.
    const std::string leftText = operand(left, scope);
    const std::string rightText = operand(right, scope);
    if (comparison && (left.kind == Expr::Kind::Text || right.kind == Expr::Kind::Text))
        return compared(expr, leftText, rightText, scope);
    const std::string op = expr.text == "&"                          ? "||"
                           : expr.text == "and" || expr.text == "or" ? upper(expr.text)
                                                                     : expr.text;
    return leftText + " " + op + " " + rightText;
}

std::string Emitter::expression(const Expr& expr, const Scope& scope) {
    using Kind = Expr::Kind;
    switch (expr.kind) {
    case Kind::Number:
        return expr.text;
    case Kind::Text:
        return textParameter(expr);
    case Kind::Null:
        return "NULL";
    case Kind::Boolean:
        return upper(expr.text);
    case Kind::Column:
        if (scope.sorting && scope.grouped.contains(asciiLower(expr.text)))
            return groupedInSort(expr, scope);
        return column(expr, scope);
    case Kind::AllRows:
        return "*";
    case Kind::Call: {
        std::vector<std::string> arguments;
        for (const auto& argument : expr.operands)
            arguments.push_back(expression(*argument, scope));
        return call(expr, arguments);
    }
    case Kind::Unary:
        return (expr.text == "not" ? "NOT " : expr.text) + operand(*expr.operands[0], scope);
    case Kind::Binary:
        return binary(expr, scope);
    case Kind::Like:
        return like(expr, operand(*expr.operands[0], scope));
    case Kind::In: {
        const std::string value = operand(*expr.operands[0], scope);
        std::string list;
        if (expr.query) {
            list = query(*expr.query);
        } else {
            std::vector<std::string> values;
            for (std::size_t i = 1; i < expr.operands.size(); ++i)
                values.push_back(expression(*expr.operands[i], scope));
            list = joined(values);
        }
        return value + (expr.negated ? " NOT IN (" : " IN (") + list + ")";
    }
    case Kind::Between: {
        const std::string value = operand(*expr.operands[0], scope);
        const std::string low = operand(*expr.operands[1], scope);
        const std::string high = operand(*expr.operands[2], scope);
        return value + (expr.negated ? " NOT BETWEEN " : " BETWEEN ") + low + " AND " + high;
    }
    case Kind::IsNull:
        return operand(*expr.operands[0], scope) + (expr.negated ? " IS NOT NULL" : " IS NULL");
    case Kind::Exists:
        return "EXISTS (" + query(*expr.query) + ")";
    case Kind::Subquery:
        return "(" + query(*expr.query) + ")";
    }
    return {};
}

} // namespace veltra::dialect
