#include "SceneList.hpp"

#include <algorithm>

namespace engine {

using scene::OGraph;

int SceneList::Add(OGraph* object) {
    m_objects.push_back(object);
    return int(m_objects.size());
}

bool SceneList::Remove(OGraph* object) {
    const auto it = std::find(m_objects.begin(), m_objects.end(), object);
    if (it == m_objects.end()) return false;
    MoveUp(m_objects, m_objects.erase(it));
    return true;
}

void SceneList::Tick(std::uint32_t time) {
    for (std::size_t i = 0; i < m_objects.size(); ++i)
        if (OGraph::IsLive(m_objects[i])) m_objects[i]->Tick(time);
}

std::vector<OGraph*> SceneList::TakeAll() {
    std::vector<OGraph*> taken;
    taken.swap(m_objects);
    return taken;
}

void SceneList::ReleaseFromWindow(OGraph* object) {
    if (OGraph::IsLive(object) && !OGraph::Release(object) && OGraph::IsLive(object) &&
        !object->IsBeingDestroyed())
        object->AttachWindow(nullptr);
}

void SceneList::MoveUp(std::vector<OGraph*>& objects, std::vector<OGraph*>::iterator from) {
    for (; from != objects.end(); ++from)
        if (OGraph::IsLive(*from)) (*from)->SetOrder((*from)->Order() - 1);
}

} // namespace engine
