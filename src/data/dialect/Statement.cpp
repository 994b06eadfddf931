// What the rest of the data layer reads off a parsed statement: the columns it searches
// (which the copies index), its like conditions (which the list draws in bold) and its
// aliases.
#include "dialect/Statement.h"

#include <algorithm>

namespace veltra::dialect {

namespace {

void visitQuery(const Select& query, const std::function<void(const Expr&)>& visit);

void visitExpression(const Expr& expr, const std::function<void(const Expr&)>& visit) {
    visit(expr);
    for (const auto& operand : expr.operands)
        visitExpression(*operand, visit);
    if (expr.query)
        visitQuery(*expr.query, visit);
}

void visitSource(const Source& source, const std::function<void(const Expr&)>& visit) {
    if (source.query)
        visitQuery(*source.query, visit);
}

void visitQuery(const Select& query, const std::function<void(const Expr&)>& visit) {
    const auto visitOptional = [&](const ExprPtr& expr) {
        if (expr)
            visitExpression(*expr, visit);
    };
    for (const auto& core : query.cores) {
        for (const auto& item : core.items)
            visitOptional(item.expr);
        for (const auto& item : core.from) {
            visitSource(item.source, visit);
            for (const auto& join : item.joins) {
                visitSource(join.source, visit);
                visitOptional(join.on);
            }
        }
        visitOptional(core.where);
        for (const auto& term : core.groupBy)
            visitExpression(*term, visit);
        visitOptional(core.having);
    }
    for (const auto& term : query.orderBy)
        visitExpression(*term.expr, visit);
    visitOptional(query.limit);
    visitOptional(query.offset);
}

bool isComparison(const Expr& expr) {
    static const std::string_view kComparisons[] = {"=", "<>", "<", ">", "<=", ">="};
    return expr.kind == Expr::Kind::Binary &&
           std::find(std::begin(kComparisons), std::end(kComparisons), expr.text) !=
               std::end(kComparisons);
}

SearchedColumn searched(const Expr& column) {
    return {column.qualifier, column.text};
}

// The aliases of the query's select lists and of every query inside it.
void collectAliases(const Select& query, std::vector<std::string>& aliases) {
    const auto inSource = [&](const Source& source) {
        if (source.query)
            collectAliases(*source.query, aliases);
    };
    for (const auto& core : query.cores) {
        for (const auto& item : core.items)
            if (!item.alias.empty())
                aliases.push_back(asciiLower(item.alias));
        for (const auto& item : core.from) {
            inSource(item.source);
            for (const auto& join : item.joins)
                inSource(join.source);
        }
    }
}

} // namespace

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

void forEachExpression(const Select& query, const std::function<void(const Expr&)>& visit) {
    visitQuery(query, visit);
}

void Statement::collectFacts() {
    const auto isColumn = [](const ExprPtr& expr) {
        return expr && expr->kind == Expr::Kind::Column;
    };
    forEachExpression(*select_, [&](const Expr& expr) {
        if (expr.kind == Expr::Kind::Like && isColumn(expr.operands[0])) {
            searched_.push_back(searched(*expr.operands[0]));
            if (!expr.negated)
                likes_.push_back({searched(*expr.operands[0]), expr.text});
        }
        if (isComparison(expr))
            for (int side = 0; side < 2; ++side)
                if (isColumn(expr.operands[side]) &&
                    expr.operands[1 - side]->kind == Expr::Kind::Text)
                    searched_.push_back(searched(*expr.operands[side]));
        if (expr.query)
            collectAliases(*expr.query, aliases_);
    });
    std::function<void(const Select&)> sortedColumns = [&](const Select& query) {
        for (const auto& term : query.orderBy)
            if (isColumn(term.expr))
                searched_.push_back(searched(*term.expr));
        for (const auto& core : query.cores) {
            for (const auto& term : core.groupBy)
                if (isColumn(term))
                    searched_.push_back(searched(*term));
            for (const auto& item : core.from) {
                if (item.source.query)
                    sortedColumns(*item.source.query);
                for (const auto& join : item.joins)
                    if (join.source.query)
                        sortedColumns(*join.source.query);
            }
        }
    };
    sortedColumns(*select_);
    collectAliases(*select_, aliases_);
}

} // namespace veltra::dialect
