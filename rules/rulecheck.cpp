// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/rulecheck.h"

#include <map>
#include <set>
#include <vector>

namespace zarn {

namespace {

constexpr ForbiddenFunction kForbidden[] = {
    {"open", "abre arquivos"},
    {"close", "fecha arquivos"},
    {"remove", "apaga arquivos"},
    {"rename", "renomeia arquivos"},
    {"system", "executa programas"},
    {"exit", "encerra o programa"},
    {"load", "lê outra base de regras"},
    {"load*", "lê outra base de regras"},
    {"batch", "executa comandos de um arquivo"},
    {"batch*", "executa comandos de um arquivo"},
    {"bload", "lê uma imagem binária de um arquivo"},
    {"bsave", "grava uma imagem binária num arquivo"},
    {"save", "grava a base de regras num arquivo"},
    {"save-facts", "grava fatos num arquivo"},
    {"load-facts", "lê fatos de um arquivo"},
    {"save-instances", "grava instâncias num arquivo"},
    {"load-instances", "lê instâncias de um arquivo"},
    {"bsave-instances", "grava instâncias num arquivo"},
    {"bload-instances", "lê instâncias de um arquivo"},
    {"restore-instances", "lê instâncias de um arquivo"},
    {"dribble-on", "grava a saída do motor num arquivo"},
    {"dribble-off", "fecha o arquivo da saída do motor"},
    {"constructs-to-c", "grava arquivos de código"},
    {"fetch", "lê um arquivo de texto"},
    {"toss", "descarta um arquivo de texto lido"},
    {"print-region", "lê um arquivo de texto"},
    {"get-region", "lê um arquivo de texto"},
    {"help", "lê o arquivo de ajuda do motor"},
    {"help-path", "escolhe o arquivo de ajuda do motor"},
    {"set-locale", "muda a configuração regional do programa inteiro"},
    {"eval", "executa um texto montado durante a consulta"},
    {"build", "cria construções a partir de um texto montado durante a consulta"},
    {"funcall", "chama uma função pelo nome montado durante a consulta"},
    {nullptr, nullptr},
};

// The node of the call graph that stands for every message handler: which
// handler a message reaches is only known at run time.
constexpr const char* kHandlers = "defmessage-handler";

// Functions that send messages, and so may run any handler.
bool SendsMessages(const std::string& s) {
    static const std::set<std::string> names = {"send", "make-instance", "initialize-instance", "init-slots",
                                                "duplicate-instance", "message-duplicate-instance",
                                                "modify-instance", "message-modify-instance",
                                                "active-duplicate-instance", "active-modify-instance",
                                                "active-initialize-instance", "active-make-instance",
                                                "unmake-instance", "delete-instance", "call-next-handler",
                                                "override-next-handler"};
    return names.count(s) > 0;
}

// The node of a top-level construct in the call graph, or "" when other code
// cannot call it (rules, templates, facts, globals).
std::string NodeOf(const std::string& construct, const std::string& name) {
    if (construct == "deffunction" || construct == "defmethod" || construct == "defgeneric") return name;
    if (construct == "defmessage-handler") return kHandlers;
    return {};
}

bool IsSymbolEnd(char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == '(' || c == ')' || c == '"' || c == ';' || c == '&' ||
           c == '|' || c == '~' || c == '<';
}

// One pass over the text: the symbol after each "(" with its nesting depth.
struct Call {
    std::string Name;
    int Depth = 0;        // 1 for a construct
    std::string Subject;  // a construct's: the symbol after its keyword (its name)
    std::size_t Top = 0;  // the construct it lies in (an index of the calls)
};

// False when the nesting goes past kMaxRuleNesting.
bool ScanCalls(std::string_view t, std::vector<Call>& calls) {
    int depth = 0;
    std::size_t i = 0, top = 0;
    const std::size_t n = t.size();
    auto skipBlanksAndComments = [&]() {
        while (i < n) {
            if (static_cast<unsigned char>(t[i]) <= ' ') {
                ++i;
            } else if (t[i] == ';') {
                while (i < n && t[i] != '\n' && t[i] != '\r') ++i;
            } else {
                break;
            }
        }
    };
    while (i < n) {
        const char c = t[i];
        if (c == ';') {
            while (i < n && t[i] != '\n' && t[i] != '\r') ++i;
        } else if (c == '"') {
            for (++i; i < n && t[i] != '"'; ++i)
                if (t[i] == '\\') ++i;
            ++i;
        } else if (c == '(') {
            if (++depth > kMaxRuleNesting) return false;
            ++i;
            skipBlanksAndComments();
            auto symbol = [&]() {
                const std::size_t start = i;
                while (i < n && !IsSymbolEnd(t[i])) ++i;
                return std::string(t.substr(start, i - start));
            };
            Call call{symbol(), depth, {}, top};
            if (depth == 1) {
                call.Top = top = calls.size();
                skipBlanksAndComments();
                call.Subject = symbol();
            }
            calls.push_back(std::move(call));
        } else {
            if (c == ')' && depth > 0) --depth;
            ++i;
        }
    }
    return true;
}

// The first function of a cycle in the call graph, or "".
std::string RecursiveFunction(const std::map<std::string, std::set<std::string>>& graph) {
    enum Mark { Unseen, Open, Done };
    std::map<std::string, Mark> mark;
    // Depth-first, with an explicit stack: a hostile text may chain many
    // functions, and this check must not recurse either.
    for (const auto& [root, ignored] : graph) {
        if (mark[root] != Unseen) continue;
        std::vector<std::pair<std::string, std::set<std::string>::const_iterator>> stack;
        mark[root] = Open;
        stack.push_back({root, graph.at(root).begin()});
        while (!stack.empty()) {
            auto& [node, next] = stack.back();
            if (next == graph.at(node).end()) {
                mark[node] = Done;
                stack.pop_back();
                continue;
            }
            const std::string callee = *next++;
            if (!graph.count(callee)) continue;
            if (mark[callee] == Open) return callee;
            if (mark[callee] == Unseen) {
                mark[callee] = Open;
                stack.push_back({callee, graph.at(callee).begin()});
            }
        }
    }
    return {};
}

}  // namespace

const ForbiddenFunction* ForbiddenFunctions() { return kForbidden; }

std::string RuleBaseRefusal(std::string_view text) {
    const std::string after = ": nada dela foi executado.";
    std::vector<Call> calls;
    if (!ScanCalls(text, calls))
        return "tem parênteses aninhados em mais de " + std::to_string(kMaxRuleNesting) + " níveis" + after;

    std::map<std::string, std::string> forbidden;
    for (const ForbiddenFunction* f = kForbidden; f->Name != nullptr; ++f) forbidden[f->Name] = f->What;
    for (const Call& call : calls)
        if (const auto it = forbidden.find(call.Name); it != forbidden.end())
            return "usa a função " + call.Name + ", que " + it->second +
                   ", e uma base de regras não pode mexer em arquivos, executar programas nem encerrar o ZARN" + after;

    // The call graph of the functions: each construct's calls go from the
    // function it defines (generic functions and their methods share a name).
    std::map<std::string, std::set<std::string>> graph;
    for (const Call& call : calls) {
        const Call& top = calls[call.Top];
        const std::string from = NodeOf(top.Name, top.Subject);
        if (from.empty()) continue;
        graph[from];
        if (call.Depth > 1) graph[from].insert(SendsMessages(call.Name) ? std::string(kHandlers) : call.Name);
    }
    const std::string recursive = RecursiveFunction(graph);
    if (recursive == kHandlers)
        return "tem tratadores de mensagens (defmessage-handler) que enviam mensagens, o que pode não ter fim e "
               "esgotar a pilha do programa" + after;
    if (!recursive.empty())
        return "tem a função " + recursive + ", que chama a si mesma (diretamente ou por outras funções), o que "
               "pode não ter fim e esgotar a pilha do programa; use while ou loop-for-count" + after;
    return "";
}

}  // namespace zarn
